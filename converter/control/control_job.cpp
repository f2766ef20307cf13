#include "converter/control/control_job.h"

#include <cstring>
#include <utility>

#include "converter/control/devmode_flags.h"
#include "platform/print_ticket_provider.h"

ControlJob::ControlJob(const std::string& encoderPath, ConverterWriteCallback write, void* context,
                       ZeroFlagCallback zeroFlag)
    : encoder_library_(encoderPath),
      writer_(write, context),
      zero_flag_(zeroFlag),
      back_sides_(encoder_library_, write, context) {
  raster_.size = sizeof raster_;
  raster_.control = this;
  raster_.beginPage = &BeginPage;
  raster_.writeRows = &WriteRows;
  raster_.endPage = &EndPage;
  raster_.mayContinue = &MayContinue;
  raster_.sendPage = &SendPage;
  if (!encoder_library_.Loaded()) {
    failure_ = encoder_library_.failure();
    return;
  }
  encoder_ = encoder_library_.open(&Sink, this);
  if (!encoder_) failure_ = "the encoder library refused to open";
}

ControlJob::~ControlJob() {
  Settle();
  DiscardKept();
  if (encoder_) encoder_library_.close(encoder_);
}

void ControlJob::DiscardPage() {
  if (raster_.page.discard) raster_.page.discard(raster_.page.state);
  raster_.page = {};
  // A page on its way is not left unfinished: it drops its own back side if it fails.
  if (!sending_) back_sides_.DiscardPage();
}

bool ControlJob::Settle() {
  if (!std::exchange(sending_, false)) return true;
  return sender_.Wait();
}

void ControlJob::DiscardKept() {
  DiscardPage();
  if (raster_.kept.discard) raster_.kept.discard(raster_.kept.state);
  raster_.kept = {};
}

void ControlJob::SetDevMode(const void* devmode, DWORD size) {
  // A page left unfinished by a failed parse is dropped before the next begins.
  DiscardPage();
  if (!devmode || size < sizeof(DEVMODEW)) return;
  DEVMODEW mode;
  std::memcpy(&mode, devmode, sizeof mode);
  if (mode.dmFields & DM_DUPLEX) {
    sides_ = mode.dmDuplex == DMDUP_VERTICAL     ? kEncoderTwoSidedLongEdge
             : mode.dmDuplex == DMDUP_HORIZONTAL ? kEncoderTwoSidedShortEdge
                                                 : kEncoderOneSided;
  }
  if ((mode.dmFields & DM_COPIES) && mode.dmCopies > 0) copies_ = static_cast<std::uint32_t>(mode.dmCopies);
  manual_duplex_ = (DevModeBlockFlags(devmode, size) & kDevModeBlockManualDuplex) != 0;
}

bool ControlJob::Finish() {
  const bool sent = Settle();
  DiscardKept();
  if (!encoder_) return false;
  const bool closed = encoder_library_.close(encoder_) != 0;
  encoder_ = nullptr;
  const bool flushed = writer_.Flush();
  return back_sides_.Finish() && flushed && closed && sent;
}

INT ControlJob::BeginPage(void* control, const RasterPageFormat* format) {
  auto* job = static_cast<ControlJob*>(control);
  if (!job->Settle() || !job->encoder_ || !format) return 0;
  // By hand, the printer prints one side per pass: the odd pages, then the even ones.
  ++job->pages_;
  job->on_back_ = job->manual_duplex_ && job->pages_ % 2 == 0;
  EncoderPage page{*format, job->manual_duplex_ ? kEncoderOneSided : job->sides_, job->copies_};
  if (job->on_back_)
    return job->back_sides_.BeginPage(page, job->pages_, job->sides_ == kEncoderTwoSidedShortEdge);
  return job->encoder_library_.startPage(job->encoder_, &page);
}

INT ControlJob::WriteRows(void* control, const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  auto* job = static_cast<ControlJob*>(control);
  if (job->on_back_) return job->back_sides_.WriteRows(rows, count, stride);
  return job->encoder_ && job->encoder_library_.writeRows(job->encoder_, rows, count, stride) &&
         !job->writer_.failed();
}

INT ControlJob::EndPage(void* control) {
  auto* job = static_cast<ControlJob*>(control);
  if (job->on_back_) return job->back_sides_.EndPage();
  return job->encoder_ && job->encoder_library_.endPage(job->encoder_) && job->writer_.Flush();
}

INT ControlJob::MayContinue(void* control) {
  auto* job = static_cast<ControlJob*>(control);
  BYTE cancel = 1;
  job->zero_flag_(&cancel);
  return cancel == 0 && !job->writer_.failed();
}

INT ControlJob::SendPage(void* control, RasterPageWork work) {
  auto* job = static_cast<ControlJob*>(control);
  auto run = [job, work] {
    const bool sent = work.run(work.state) != 0;
    work.discard(work.state);
    if (!sent && job->on_back_) job->back_sides_.DiscardPage();
    return sent;
  };
  if (!job->Settle()) {
    work.discard(work.state);
    return 0;
  }
  job->sender_.Start(run);
  job->sending_ = true;
  return 1;
}

INT ControlJob::Sink(void* context, const std::uint8_t* bytes, std::size_t length) {
  return static_cast<ControlJob*>(context)->writer_.Append(bytes, length) ? 1 : 0;
}
