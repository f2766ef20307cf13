// The filter pipeline as a filter sees it: the filter interface it implements
// and what the pipeline hands it at initialisation.
#pragma once

#include "platform/print_stream.h"
#include "platform/variant.h"

struct IInterFilterCommunicator : IUnknown {
  static constexpr IID iid = MakeGuid("{0659645B-20F4-4EB2-AEF8-FD0799B42AAB}");
  // The previous filter's output (an IXpsDocumentProvider, or an IPrintReadStream for byte filters).
  virtual HRESULT RequestReader(void** reader) = 0;
  // The next filter's input (an IXpsDocumentConsumer, or an IPrintWriteStream for the last filter).
  virtual HRESULT RequestWriter(void** writer) = 0;

 protected:
  ~IInterFilterCommunicator() = default;
};

struct IPrintPipelineManagerControl : IUnknown {
  static constexpr IID iid = MakeGuid("{20CE592D-5C74-47C2-9359-BBEE79412DDA}");
  // Stops the whole job because of a failure; errorInfo may be NULL.
  virtual HRESULT RequestShutdown(HRESULT reason, IUnknown* errorInfo) = 0;
  // This filter has done its work.
  virtual HRESULT FilterFinished() = 0;

 protected:
  ~IPrintPipelineManagerControl() = default;
};

struct IPrintPipelinePropertyBag : IUnknown {
  static constexpr IID iid = MakeGuid("{2EEDC33B-8049-4937-AED7-0EC8FF0EF45C}");
  virtual HRESULT AddProperty(LPCWSTR name, const VARIANT* value) = 0;
  // A copy of the value; a failure when the property is absent.
  virtual HRESULT GetProperty(LPCWSTR name, VARIANT* value) = 0;
  virtual BOOL DeleteProperty(LPCWSTR name) = 0;

 protected:
  ~IPrintPipelinePropertyBag() = default;
};

struct IPrintReadStreamFactory : IUnknown {
  static constexpr IID iid = MakeGuid("{FF9E77F4-30CF-4FC7-828D-C61E7E8207A0}");
  virtual HRESULT GetStream(IPrintReadStream** stream) = 0;

 protected:
  ~IPrintReadStreamFactory() = default;
};

struct IPrintClassObjectFactory : IUnknown {
  static constexpr IID iid = MakeGuid("{87881024-8957-41FC-9750-459FE90D1FEF}");
  virtual HRESULT GetPrintClassObject(LPCWSTR printerName, REFIID riid, void** object) = 0;

 protected:
  ~IPrintClassObjectFactory() = default;
};

enum EXpsJobConsumption : DWORD {
  XpsJob_DocumentSequenceAdded = 0,
  XpsJob_FixedDocumentAdded = 1,
  XpsJob_FixedPageAdded = 2,
};

struct IPrintPipelineProgressReport : IUnknown {
  static constexpr IID iid = MakeGuid("{831AB048-F151-4298-B953-C5CED920F1D4}");
  virtual HRESULT ReportProgress(EXpsJobConsumption update) = 0;

 protected:
  ~IPrintPipelineProgressReport() = default;
};

struct IPrintPipelineFilter : IUnknown {
  static constexpr IID iid = MakeGuid("{E46C25FA-8545-408E-A68A-35FE03A7BE2F}");
  virtual HRESULT InitializeFilter(IInterFilterCommunicator* communicator, IPrintPipelinePropertyBag* properties,
                                   IPrintPipelineManagerControl* control) = 0;
  // May come from another thread while StartOperation runs.
  virtual HRESULT ShutdownOperation() = 0;
  virtual HRESULT StartOperation() = 0;

 protected:
  ~IPrintPipelineFilter() = default;
};

// Answered by nothing: lets tests ask for an interface a filter must refuse.
struct IClassFactory : IUnknown {
  static constexpr IID iid = MakeGuid("{CC4D8E3F-1CFA-42DE-AE00-6E9119928C4A}");

 protected:
  ~IClassFactory() = default;
};

inline constexpr const IID& IID_IInterFilterCommunicator = IInterFilterCommunicator::iid;
inline constexpr const IID& IID_IPrintPipelineManagerControl = IPrintPipelineManagerControl::iid;
inline constexpr const IID& IID_IPrintPipelinePropertyBag = IPrintPipelinePropertyBag::iid;
inline constexpr const IID& IID_IPrintReadStreamFactory = IPrintReadStreamFactory::iid;
inline constexpr const IID& IID_IPrintClassObjectFactory = IPrintClassObjectFactory::iid;
inline constexpr const IID& IID_IPrintPipelineProgressReport = IPrintPipelineProgressReport::iid;
inline constexpr const IID& IID_IPrintPipelineFilter = IPrintPipelineFilter::iid;
inline constexpr const IID& IID_IClassFactory = IClassFactory::iid;
