#include "framework/markup_parse.h"

#include "framework/sequential_read_adapter.h"
#include "platform/com.h"
#include "platform/variant.h"

HRESULT ParseMarkup(IPrintReadStream* stream, ISAXContentHandler* handler) {
  if (!stream || !handler) return E_POINTER;
  ComPtr<ISAXXMLReader> reader;
  HRESULT hr = CoCreateInstance(CLSID_SAXXMLReader60, nullptr, CLSCTX_INPROC_SERVER, IID_ISAXXMLReader,
                                reader.PutVoid());
  if (FAILED(hr)) return hr;
  hr = reader->putContentHandler(handler);
  if (FAILED(hr)) return hr;
  const ComPtr<ISequentialStream> adapter = ComPtr<ISequentialStream>::Attach(new SequentialReadAdapter(stream));
  VARIANT input;
  VariantInit(&input);
  input.vt = VT_UNKNOWN;
  input.punkVal = adapter.Get();  // borrowed: not cleared
  hr = reader->parse(input);
  // The reader holds the handler no longer than the parse.
  reader->putContentHandler(nullptr);
  return hr;
}
