// The edits print options make, kept as a delta ticket of their own over the
// tickets they apply to: the user's ticket and the job's own ticket, if it
// has one. Records are read through all three layers, as the filters see
// them, changed, and written back into the delta with the settings writers;
// the delta is then merged onto the job's ticket by the print ticket provider.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/print_options/printer_offer.h"
#include "platform/stream.h"
#include "platform/xml_dom.h"
#include "ticket/print_ticket_dom.h"

namespace kestrel::print_options {

// The names the edits use are ASCII; the DOM speaks UTF-16.
std::u16string Wide(std::string_view ascii);
std::string Narrow(std::u16string_view text);

// A ticket without features, declaring every namespace the settings writers use.
extern const std::string_view kEmptyTicket;

// Memory streams for the print ticket provider.
ComPtr<IStream> StreamOnBytes(std::string_view bytes);
std::string BytesOfStream(IStream* stream);

// A ticket as a document: throws std::runtime_error naming `what` when it is not one.
ComPtr<IXMLDOMDocument2> LoadTicket(std::string_view bytes, const std::string& what);
std::string SaveTicket(IXMLDOMDocument2* document);

class TicketEdit {
 public:
  // Throws std::runtime_error for a ticket that does not load.
  TicketEdit(std::string_view user_ticket, std::optional<std::string_view> job_ticket);
  ~TicketEdit();
  TicketEdit(const TicketEdit&) = delete;
  TicketEdit& operator=(const TicketEdit&) = delete;

  const PrintTicketDom& User() const { return *user_; }
  const PrintTicketDom* Job() const { return job_.get(); }
  PrintTicketDom& Delta() { return *delta_; }

  // The record from its defaults through the user's ticket, the job's and the edits so far.
  template <class Record>
  Record Read(HRESULT (*reader)(const PrintTicketDom&, Record&)) const {
    Record record;
    reader(*user_, record);
    if (job_) reader(*job_, record);
    Check(reader(*delta_, record), "read the edited ticket");
    return record;
  }
  template <class Record>
  void Write(HRESULT (*writer)(PrintTicketDom&, const Record&), const Record& record) {
    Check(writer(*delta_, record), "edit the ticket");
  }

  // Runs a remover of the settings records on the edits.
  void Remove(HRESULT (*remover)(PrintTicketDom&)) { Check(remover(*delta_), "edit the ticket"); }

  // Replaces a keywords feature ("psk:PageOutputColor") of the edits with one
  // selecting the option, with the option's literal scored properties.
  void SelectOption(std::string_view feature, const OfferedOption& option);
  // Sets a keywords integer parameter ("psk:JobCopiesAllDocuments").
  void SetParameter(std::string_view parameter, LONG value);

  // The option ("psk:Booklet") the edits, else the job's ticket, else the
  // user's select for a keywords feature; nothing when none names one.
  std::optional<std::string> OptionInForce(std::string_view feature) const;

  std::string DeltaTicket() const { return SaveTicket(delta_->Document()); }

 private:
  static void Check(HRESULT hr, const char* what);

  std::unique_ptr<PrintTicketDom> user_;
  std::unique_ptr<PrintTicketDom> job_;
  std::unique_ptr<PrintTicketDom> delta_;
};

// Keywords ("psk:X") and private ("kp:X") names in a ticket's own prefixes;
// nothing when the ticket does not declare the namespace.
std::optional<std::u16string> QualifiedIn(const PrintTicketDom& ticket, std::string_view canonical);
// Whether the ticket has the top-level feature, property or parameter
// ("psk:JobCopiesAllDocuments", "kp:JobDuplexData").
bool HasItem(const PrintTicketDom& ticket, std::string_view item);
// A ticket wrapped for reading; throws std::runtime_error naming `what`.
std::unique_ptr<PrintTicketDom> WrapTicket(std::string_view bytes, const std::string& what);
// The option a ticket selects for a keywords feature, canonical; nothing when absent.
std::optional<std::string> SelectedOption(const PrintTicketDom& ticket, std::string_view feature);

}  // namespace kestrel::print_options
