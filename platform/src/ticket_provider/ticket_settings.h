// What a validated ticket selects, with the printer's defaults for what it leaves out.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "page_geometry.h"
#include "printer_description.h"
#include "xml_support.h"

class TicketSettings {
 public:
  TicketSettings(xmlDoc* ticket, const PrinterDescription& description)
      : ticket_(ticket), description_(description) {}

  xmlDoc* Document() const { return ticket_; }
  // The first Option of the top-level feature, or NULL.
  xmlNode* OptionNode(const QualifiedName& feature) const;
  // The option's name as resolved in the ticket.
  std::optional<QualifiedName> OptionName(const QualifiedName& feature) const;
  // The described option the ticket selects for `described`, taken from the first of
  // `features` the ticket carries (the described feature itself when the list is empty),
  // or the described default; NULL when the printer does not describe the feature.
  const OptionDescription* Selected(const QualifiedName& described,
                                    std::initializer_list<QualifiedName> features = {}) const;
  std::optional<std::int32_t> Scored(const QualifiedName& feature, const QualifiedName& scored) const;
  std::optional<std::string> ScoredText(const QualifiedName& feature, const QualifiedName& scored) const;
  // The ParameterInit value, else the described default, else nullopt.
  std::optional<std::int32_t> Parameter(const QualifiedName& parameter) const;

  // The media as fed, in microns: the ticket's scored values when they are positive,
  // otherwise those of the selected option (or its parameters' defaults).
  std::int32_t MediaWidth() const;
  std::int32_t MediaHeight() const;
  Orientation PageOrientation() const;
  PageArea Imageable() const;

 private:
  std::int32_t MediaLength(const char* scored) const;

  xmlDoc* ticket_;
  const PrinterDescription& description_;
};
