// The rip filter, last of the chain: instead of sending parts on, it opens the
// printer-control library's converter for the job, hands it each page's
// DEVMODE, feeds each page to the markup converter through a
// PageMarkupBridge, and writes the printer data the converter returns to the
// pipeline's output stream (file names it reports go to an OutputListFile).
// When the converter reported files (the back sides of a manual-duplex job),
// the end of the job asks the print UI host, through the notification
// channel, to start the package's manual-duplex program ("KvmdFileName64")
// with the list; when that request cannot be sent the job fails naming the
// list, and the files stay.
//
// A failure ends the job: the page, the converter or the output that failed
// is named in the RequestShutdown's error information and StartOperation
// returns it. Whatever happens, an opened converter is closed, and when the
// job does not end well the list of files and the files it names are removed.
#pragma once

#include <memory>
#include <string>

#include "filters/rip/converter_libraries.h"
#include "filters/rip/manual_duplex_channel.h"
#include "filters/rip/output_list_file.h"
#include "filters/rip/output_record_stream.h"
#include "filters/rip/page_device_settings.h"
#include "framework/xps_filter_base.h"
#include "platform/print_ticket_provider.h"

class RipFilter final : public XpsFilterBase {
 public:
  RipFilter();
  ~RipFilter() override;

  HRESULT StartOperation() override;

  // The converter's write callback; context is the filter.
  static HRESULT WriteCallback(const void* buffer, DWORD length, void* context);
  static INT ZeroFlag(BYTE* flag);

 protected:
  HRESULT ConnectPipeline() override;
  HRESULT ProcessXpsDocument(IXpsDocument* document) override;
  HRESULT ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence) override;
  HRESULT ProcessFixedDocument(IFixedDocument* document) override;
  HRESULT ProcessFixedPage(IFixedPage* page) override;
  HRESULT FinishParts() override;

 private:
  void ReadOutputSettings();
  void ReadProgressReport();
  void Report(EXpsJobConsumption update);
  HRESULT RunJob();
  HRESULT RunPartLoop();
  HRESULT HandlePart(IUnknown* part);
  HRESULT OpenConverter();
  HRESULT EncoderPath(std::u16string* path);
  std::u16string DocumentName() const;
  HRESULT ConvertPage(IFixedPage* page);
  HRESULT CheckOutput();
  // False when the conversion was open and did not close well.
  bool CloseConverter();
  void EndJob(HRESULT result);
  HRESULT HandOverBackSides();
  // Keeps the first explanation of a failure; returns hr.
  HRESULT Fail(HRESULT hr, std::string why);

  PrinterControlLibrary control_library_;
  void* control_ = nullptr;
  void* conversion_ = nullptr;
  void* converter_ = nullptr;
  ComPtr<IXpsDocumentProvider> reader_;
  ComPtr<IPrintWriteStream> writer_;
  ComPtr<IPrintPipelineProgressReport> progress_;
  HPTPROVIDER ticket_provider_ = nullptr;
  RipOutputSettings output_;
  OutputListFile list_;
  ManualDuplexChannel manual_duplex_;
  bool keep_list_ = false;  // the job failed handing the list over: it stays for the user
  std::unique_ptr<OutputRecordStream> records_;
  std::string failure_;
};
