// One print job of the printer-control library: the encoder chosen by the
// rip filter, the output records, the settings of the page's DEVMODE, and the
// RasterJob through which the markup converter delivers each page. When the
// DEVMODE asks for manual duplex, every second page of the job is a back side
// and goes to BackSides instead of the output. A page's raster is sent on a
// thread of the job's own while the rip filter reads the next page: one page
// at a time, finished before the next begins and before the job ends.
#pragma once

#include <memory>
#include <string>

#include "converter/control/back_sides.h"
#include "converter/control/encoder_library.h"
#include "converter/control/page_thread.h"
#include "converter/control/record_writer.h"
#include "converter/raster_job.h"

class ControlJob {
 public:
  // Fails (failure() non-empty) when the encoder does not load or open.
  ControlJob(const std::string& encoderPath, ConverterWriteCallback write, void* context, ZeroFlagCallback zeroFlag);
  ~ControlJob();
  ControlJob(const ControlJob&) = delete;
  ControlJob& operator=(const ControlJob&) = delete;

  const std::string& failure() const { return failure_; }
  RasterJob* raster() { return &raster_; }

  // The next page's sides, copies and manual duplex from its DEVMODE; a block
  // too short for the public part keeps the previous page's values.
  void SetDevMode(const void* devmode, DWORD size);
  // Ends the encoder's data and sends the last records; false on a failure.
  bool Finish();

 private:
  static INT BeginPage(void* control, const RasterPageFormat* format);
  static INT WriteRows(void* control, const std::uint8_t* rows, std::uint32_t count, std::size_t stride);
  static INT EndPage(void* control);
  static INT MayContinue(void* control);
  static INT SendPage(void* control, RasterPageWork work);
  // Waits for the page being sent; false when it failed.
  bool Settle();
  static INT Sink(void* context, const std::uint8_t* bytes, std::size_t length);
  void DiscardPage();
  // Also what the markup converter kept for the job's pages.
  void DiscardKept();

  EncoderLibrary encoder_library_;
  RecordWriter writer_;
  ZeroFlagCallback zero_flag_;
  void* encoder_ = nullptr;
  RasterJob raster_{};
  std::uint32_t sides_ = kEncoderOneSided;
  std::uint32_t copies_ = 1;
  bool manual_duplex_ = false;
  std::uint32_t pages_ = 0;  // begun in this job
  bool on_back_ = false;     // the page being built is a back side
  bool sending_ = false;  // a page was handed to sender_ and not yet waited for
  BackSides back_sides_;
  std::string failure_;
  // Last: it is destroyed first, once the page it sends no longer needs the rest.
  PageThread sender_;
};
