#include "ticket/poster_settings.h"

#include "ticket/hresult_error.h"
#include "ticket/settings_support.h"

namespace {

constexpr std::u16string_view kPoster = u"PagePoster";
constexpr std::u16string_view kPosterData = u"PagePosterData";

void ReadSheetsPerPage(const PrintTicketDom& ticket, PosterSettings& settings) {
  HRESULT hr = ticket.FeatureExists(kPoster);
  LONG sheets = 0;
  if (hr == S_OK) hr = ticket.GetScoredPropertyInt(kPoster, u"SheetsPerPage", &sheets);
  if (hr == S_OK) settings.sheetsPerPage = sheets < 1 ? 0 : sheets;
  if (IsAbsent(hr)) settings.sheetsPerPage = 0;
}

void ReadCutOutLine(const PrintTicketDom& ticket, PosterSettings& settings) {
  Bstr option;
  BOOL isPrivate = FALSE;
  if (ticket.GetSubFeatureOption(ticket.KeywordsPrefix(), kPoster, ticket.PrivatePrefix(), u"PagePrintCutOutLine",
                                 &option, &isPrivate) != S_OK)
    return;
  if (const auto line = FromName<OffOn>(kOffOnNames, option.View())) settings.cutOutLine = *line;
}

HRESULT ReadHideFlag(const PrintTicketDom& ticket, PosterSettings& settings) {
  HRESULT hr = ticket.NodeExists(PrivatePropertyQuery(ticket, {kPosterData}));
  LONG hideFlag = 0;
  if (hr == S_OK) hr = ticket.GetValueInt(PrivatePropertyQuery(ticket, {kPosterData, u"HideFlag"}), &hideFlag);
  if (hr == S_OK) settings.hideFlag = static_cast<BYTE>(hideFlag & 0xFF);
  return hr;
}

}  // namespace

HRESULT ReadPoster(const PrintTicketDom& ticket, PosterSettings& settings) {
  return CallReturningHresult([&] {
    ReadSheetsPerPage(ticket, settings);
    ReadCutOutLine(ticket, settings);
    const HRESULT hr = ReadHideFlag(ticket, settings);
    return IsAbsent(hr) ? S_OK : hr;
  });
}
