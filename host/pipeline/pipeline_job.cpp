#include "host/pipeline/pipeline_job.h"

#include <thread>

#include "host/package/package_error.h"
#include "host/pipeline/byte_output.h"
#include "host/pipeline/filter_library.h"
#include "host/pipeline/host_error.h"
#include "host/pipeline/job_part_maker.h"
#include "host/pipeline/job_source.h"
#include "host/pipeline/pipeline_ends.h"
#include "host/pipeline/print_notifications.h"
#include "host/pipeline/progress_report.h"
#include "host/pipeline/spooler_job.h"
#include "host/pipeline/written_content.h"
#include "platform/library_loader.h"
#include "platform/spooler.h"
#include "platform/utf.h"

namespace kestrel::host {

namespace {

std::u16string Wide(const std::string& text, const std::string& what) {
  std::optional<std::u16string> wide = Utf8ToUtf16(text);
  if (!wide) throw HostError(what + " \"" + text + "\" is not valid UTF-8", E_INVALIDARG);
  return std::move(*wide);
}

}  // namespace

// Everything one run of the job builds. Destroyed in reverse order: the
// filters and their libraries last, after every object that may still hold
// something a filter made.
struct PipelineJob::Wiring {
  std::vector<std::unique_ptr<FilterLibrary>> filters;
  std::unique_ptr<SpoolerJobEntry> spooler_job;
  ComPtr<PrintNotifications> notifications = MakeComObject<PrintNotifications>();
  ComPtr<PropertyBag> properties;
  std::vector<ComPtr<IInterFilterCommunicator>> communicators;
  std::vector<ComPtr<IPrintPipelineManagerControl>> controls;
  std::shared_ptr<const package::PackageReader> input;
  std::shared_ptr<WrittenContentRegistry> written = std::make_shared<WrittenContentRegistry>();
  std::shared_ptr<JobPartMaker> maker;
  std::unique_ptr<JobSource> source;
  std::unique_ptr<JobSink> sink;
  ComPtr<ByteOutput> bytes;
  std::vector<std::shared_ptr<PartChannel>> channels;  // channels[i] feeds filter i
  HRESULT source_result = S_OK;
  HRESULT sink_result = S_OK;
};

PipelineJob::PipelineJob(JobOptions options) : options_(std::move(options)) {}

PipelineJob::~PipelineJob() = default;

void PipelineJob::Fail(Failure failure) {
  {
    std::lock_guard lock(failure_mutex_);
    if (failure_) return;
    failure_ = std::move(failure);
  }
  Stop(failure_->filter);
}

void PipelineJob::Stop(std::optional<std::size_t> failed_filter) {
  if (stopping_.exchange(true)) return;
  std::lock_guard lock(wiring_mutex_);
  if (!wiring_) return;
  for (std::size_t i = 0; i < wiring_->filters.size(); ++i)
    if (i != failed_filter && wiring_->filters[i]->Filter()) wiring_->filters[i]->Filter()->ShutdownOperation();
  for (const std::shared_ptr<PartChannel>& channel : wiring_->channels) channel->Abort();
  wiring_->written->AbortAll(kJobStopped);
}

void PipelineJob::FilterFailed(std::size_t filter, HRESULT reason, const std::string& description) {
  const FilterEntry& entry = options_.filters.at(filter);
  std::string what = "filter " + entry.name + " (" + entry.dll + ") stopped the job: " +
                     (description.empty() ? HresultName(reason) : description + " (" + HresultName(reason) + ")");
  // A filter's failure code says little alone: the part it stumbled on says
  // more. Only a problem found before the stop counts; later ones follow from it.
  if (std::optional<std::string> problem = report_->FirstProblem()) what = *problem + "; " + what;
  Fail({std::move(what), reason, filter});
}

// The job sees a filter's end when its StartOperation returns: the report
// itself needs no action.
void PipelineJob::FilterFinished(std::size_t /*filter*/) {}

void PipelineJob::Cancel(const std::string& why) {
  {
    // The filters see the job as being deleted before they are told to stop.
    std::lock_guard lock(wiring_mutex_);
    if (wiring_ && wiring_->spooler_job) wiring_->spooler_job->MarkDeleting();
  }
  Fail({"job cancelled (" + why + ")", HRESULT_FROM_WIN32(ERROR_CANCELLED), std::nullopt});
}

void PipelineJob::Build(Wiring& wiring) {
  wiring.input = package::PackageReader::Open(options_.input);
  for (const std::string& warning : wiring.input->Model().warnings) report_->Warning(warning);
  wiring.maker = std::make_shared<JobPartMaker>(wiring.input, wiring.written, report_);
  wiring.source = std::make_unique<JobSource>(wiring.input, wiring.written, report_, *wiring.maker);
  if (options_.job_ticket) {
    const std::optional<std::string> replaced = wiring.source->ReplaceSequenceTicket({*options_.job_ticket});
    if (replaced && !options_.job_ticket_extends_sequence)
      report_->Warning("the job ticket replaces the print ticket " + *replaced + " of the fixed document sequence");
  }
  const std::size_t count = options_.filters.size();
  const bool bytes_out = options_.filters.back().output == PortKind::kBytes;
  for (std::size_t i = 0; i < count + (bytes_out ? 0 : 1); ++i)
    wiring.channels.push_back(std::make_shared<PartChannel>(options_.channel_capacity));
  if (bytes_out)
    wiring.bytes = options_.output_descriptor >= 0 ? ByteOutput::OnDescriptor(options_.output_descriptor)
                                                   : ByteOutput::Create(options_.output);
  else
    wiring.sink = std::make_unique<JobSink>(wiring.input, options_.output, report_, options_.progress);

  const std::optional<std::u16string> directory = Utf8ToUtf16(options_.library_directory.string());
  if (!directory || !SetDllDirectoryW(directory->c_str()))
    throw HostError(options_.library_directory.string() + ": cannot search this folder for filter libraries");
  // The driver package's folder is the printer-driver directory.
  SetPrinterDriverDirectory(*directory);
  JobIdentity identity = options_.identity;
  if (options_.printer) {
    RegisterDriverPrinter(*options_.printer);
    identity.printer_name = options_.printer->name;
  }
  const std::u16string printer = Wide(identity.printer_name, "the printer name");
  if (options_.printer) {
    // The package has no configuration module of its own; its place names
    // the folder where the driver's language module lies.
    SetPrinterDriver(printer, {printer, *directory, Wide(options_.printer->description.string(), "the description path"),
                               *directory + u"/KSTUI.DLL"});
  }
  SYSTEMTIME submitted{};
  GetSystemTime(&submitted);
  wiring.spooler_job = std::make_unique<SpoolerJobEntry>(
      printer, identity.job_id,
      Wide(identity.document_name.value_or(options_.input.filename().string()), "the document name"),
      identity.submitted.value_or(submitted), Wide(identity.user_name, "the user name"));
  if (!wiring.notifications) throw HostError("out of memory", E_OUTOFMEMORY);
  wiring.properties = MakeJobProperties(identity, options_.user_ticket, options_.properties,
                                        ComPtr<IPrintAsyncNotify>(wiring.notifications.Get()));
  wiring.spooler_job->AddProperties(*wiring.properties);
  Variant progress;
  progress->vt = VT_UNKNOWN;
  progress->punkVal = MakeComObject<ProgressReport, IUnknown>(options_.progress).Detach();
  if (!progress->punkVal || FAILED(wiring.properties->AddProperty(u"ProgressReport", progress.Get())))
    throw HostError("out of memory", E_OUTOFMEMORY);
  for (std::size_t i = 0; i < count; ++i) {
    wiring.filters.push_back(std::make_unique<FilterLibrary>(options_.filters[i]));
    ComPtr<IUnknown> reader = MakeComObject<ProviderEnd, IUnknown>(wiring.channels[i]);
    ComPtr<IUnknown> writer = bytes_out && i + 1 == count
                                  ? ComPtr<IUnknown>(static_cast<IUnknown*>(wiring.bytes.Get()))
                                  : MakeComObject<ConsumerEnd, IUnknown>(wiring.channels[i + 1], wiring.maker);
    wiring.communicators.push_back(
        MakeComObject<Communicator, IInterFilterCommunicator>(std::move(reader), std::move(writer)));
    wiring.controls.push_back(MakeComObject<ManagerControl, IPrintPipelineManagerControl>(*this, i));
    if (!wiring.communicators.back() || !wiring.controls.back()) throw HostError("out of memory", E_OUTOFMEMORY);
  }
  for (std::size_t i = 0; i < count; ++i) {
    const HRESULT hr = wiring.filters[i]->Filter()->InitializeFilter(
        wiring.communicators[i].Get(), wiring.properties.Get(), wiring.controls[i].Get());
    if (FAILED(hr)) {
      const FilterEntry& entry = options_.filters[i];
      throw HostError("filter " + entry.name + " (" + entry.dll + "): InitializeFilter failed: " + HresultName(hr), hr);
    }
  }
}

void PipelineJob::RunThreads(Wiring& wiring) {
  std::vector<std::thread> threads;
  const std::size_t count = wiring.filters.size();
  if (wiring.sink)
    threads.emplace_back([&] {
      wiring.sink_result = wiring.sink->Run(*wiring.channels.back());
      if (FAILED(wiring.sink_result))
        Fail({report_->FirstProblem().value_or("writing the output failed: " + HresultName(wiring.sink_result)),
              wiring.sink_result, std::nullopt});
    });
  for (std::size_t i = 0; i < count; ++i)
    threads.emplace_back([&, i] {
      const HRESULT hr = wiring.filters[i]->Filter()->StartOperation();
      if (FAILED(hr)) FilterFailed(i, hr, {});
      // A filter that ends without closing its consumer must not leave the next one waiting.
      if (i + 1 < wiring.channels.size()) wiring.channels[i + 1]->CloseSender();
    });
  threads.emplace_back([&] {
    wiring.source_result = wiring.source->Run(*wiring.channels.front());
    if (FAILED(wiring.source_result))
      Fail({report_->FirstProblem().value_or("reading the input failed: " + HresultName(wiring.source_result)),
            wiring.source_result, std::nullopt});
  });
  for (std::thread& thread : threads) thread.join();
}

void PipelineJob::Conclude(Wiring& wiring) {
  // The job is over: its channels close, and what they took waits for the print UI.
  if (wiring.notifications) {
    wiring.notifications->Close();
    print_ui_requests_ = wiring.notifications->Requests();
  }
  {
    std::lock_guard lock(failure_mutex_);
    if (failure_) return;
  }
  if (wiring.sink) wiring.sink->Commit();
  if (wiring.bytes) wiring.bytes->Commit();
}

JobResult PipelineJob::Run() {
  try {
    CheckChain(options_.filters);
    Wiring wiring;
    try {
      Build(wiring);
      {
        std::lock_guard lock(wiring_mutex_);
        wiring_ = &wiring;
      }
      // A cancel that came while the job was being built stops it before it starts.
      if (!stopping_) RunThreads(wiring);
      {
        std::lock_guard lock(wiring_mutex_);
        wiring_ = nullptr;
      }
      Conclude(wiring);
    } catch (...) {
      std::lock_guard lock(wiring_mutex_);
      wiring_ = nullptr;
      throw;
    }
  } catch (const package::PackageError& error) {
    Fail({error.what(), HRESULT_FROM_WIN32(ERROR_INVALID_DATA), std::nullopt});
  } catch (const HostError& error) {
    Fail({report_->FirstProblem().value_or(error.what()), error.Hr(), std::nullopt});
  } catch (const std::bad_alloc&) {
    Fail({"out of memory", E_OUTOFMEMORY, std::nullopt});
  }
  return Result();
}

JobResult PipelineJob::Result() const {
  JobResult result;
  result.notices = report_->Warnings();
  result.print_ui_requests = print_ui_requests_;
  std::lock_guard lock(failure_mutex_);
  if (!failure_) {
    result.succeeded = true;
    return result;
  }
  result.hr = failure_->hr;
  result.failure = failure_->what;
  return result;
}

}  // namespace kestrel::host
