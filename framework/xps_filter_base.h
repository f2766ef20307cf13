// The base of every filter object: the pipeline's filter interface, the part
// loop that pulls parts from the previous filter and hands each to a virtual
// operation, and the state a filter needs for one job.
//
// The defaults of the operations pass every part on unchanged (merging the
// job and document tickets on the way); a filter overrides the operations for
// the parts it rewrites. When the graphics library does not start, processing
// is disabled and every part passes through without any operation running.
#pragma once

#include <atomic>

#include "framework/gdiplus_session.h"
#include "framework/part_resource_cache.h"
#include "framework/print_ticket_manager.h"
#include "framework/unknown_base.h"
#include "platform/filter_pipeline.h"
#include "platform/xps_parts.h"

class XpsFilterBase : public UnknownBase<IPrintPipelineFilter> {
 public:
  XpsFilterBase();
  ~XpsFilterBase() override;

  HRESULT InitializeFilter(IInterFilterCommunicator* communicator, IPrintPipelinePropertyBag* properties,
                           IPrintPipelineManagerControl* control) override;
  // Only marks the filter finished (reporting FilterFinished once); the part
  // loop notices after the part it is handling.
  HRESULT ShutdownOperation() override;
  HRESULT StartOperation() override;

 protected:
  // The operations a filter may replace, in the order of their slots.
  virtual HRESULT LoadUserPrintTicket();
  virtual HRESULT ProcessFixedPage(IFixedPage* page);
  virtual HRESULT ProcessFixedDocument(IFixedDocument* document);
  virtual HRESULT ProcessFixedDocumentSequence(IFixedDocumentSequence* sequence);
  virtual HRESULT ProcessXpsDocument(IXpsDocument* document);
  virtual HRESULT FinishParts();
  virtual HRESULT ConnectPipeline();

  IInterFilterCommunicator* communicator() const { return communicator_.Get(); }
  IPrintPipelineManagerControl* manager_control() const { return manager_control_.Get(); }
  IPrintPipelinePropertyBag* property_bag() const { return property_bag_.Get(); }
  PrintTicketManager& ticket_manager() { return ticket_manager_; }
  BSTR private_namespace() const { return private_namespace_.Get(); }
  IPrintClassObjectFactory* print_class_factory() const { return print_class_factory_.Get(); }
  BSTR printer_name() const { return printer_name_.Get(); }
  ULONG job_id() const { return job_id_; }
  IXpsDocumentProvider* provider() const { return provider_.Get(); }
  IXpsDocumentConsumer* consumer() const { return consumer_.Get(); }
  PartResourceCache& resource_cache() { return resource_cache_; }
  ULONG pages_in_document() const { return pages_in_document_; }
  ULONG documents_seen() const { return documents_seen_; }
  ULONG pages_seen() const { return pages_seen_; }
  bool processing_enabled() const { return processing_enabled_ != 0; }
  bool finished() const { return finished_.load() != 0; }
  // Reports FilterFinished unless it was reported already (or there is no
  // manager control to report to).
  void FinishOnce();

 private:
  HRESULT ReadPrinterName();
  void ReadPrintClassFactory();
  void ReadJobId();
  HRESULT RunPartLoop();
  HRESULT HandlePart(IUnknown* part);

  ComPtr<IInterFilterCommunicator> communicator_;
  ComPtr<IPrintPipelineManagerControl> manager_control_;
  ComPtr<IPrintPipelinePropertyBag> property_bag_;
  PrintTicketManager ticket_manager_;
  // Shared with ShutdownOperation, which may run on another thread.
  std::atomic<LONG> finished_{0};
  Bstr private_namespace_;
  ComPtr<IPrintClassObjectFactory> print_class_factory_;
  Bstr printer_name_;
  ULONG job_id_ = 0;
  ComPtr<IXpsDocumentProvider> provider_;
  ComPtr<IXpsDocumentConsumer> consumer_;
  PartResourceCache resource_cache_;
  ULONG pages_in_document_ = 0;
  ULONG documents_seen_ = 0;
  ULONG pages_seen_ = 0;
  GdiplusSession gdiplus_session_;
  LONG processing_enabled_ = 0;
};
