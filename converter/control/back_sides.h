// The back sides of a job printed two-sided by hand. They are printed in a
// second pass, once the person has turned the printed fronts over, so they
// make a printer document of their own: an encoder of their own writes it,
// one file per back side in page order, so that the files in the order they
// are reported are that document (the first holds its start, the last its
// end). Each file is made in the temporary folder (TMPDIR, else /tmp),
// readable by the job's owner only, and reported to the rip filter as a
// file-name record once it is whole: when the next back side begins or the
// job ends. A file that is not reported, because the report was refused or
// the job stops first, is removed here; once reported, it is the rip
// filter's (it lists the file and removes it if the job does not end well).
//
// The person turns the stack over about its long edge, so the back of a sheet
// bound on its short edge is printed turned by half a turn.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "converter/control/encoder_library.h"
#include "converter/control/half_turn_spool.h"
#include "converter/converter_interface.h"

class BackSides {
 public:
  BackSides(EncoderLibrary& encoder, ConverterWriteCallback write, void* context);
  ~BackSides();
  BackSides(const BackSides&) = delete;
  BackSides& operator=(const BackSides&) = delete;

  // Starts back side `number` (the job's page number, in the file's name),
  // turned by half a turn when `turn`. Each returns false on a failure of the
  // file, the encoder or the report.
  bool BeginPage(const EncoderPage& page, std::uint32_t number, bool turn);
  bool WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride);
  bool EndPage();
  // Ends the document and reports its last file.
  bool Finish();
  // Drops a back side left unfinished, with its file and the document.
  void DiscardPage();

 private:
  bool OpenFile(std::uint32_t number);
  bool CloseFile();
  bool ReportFile();
  void RemoveFile();
  bool Fail();
  static INT Sink(void* context, const std::uint8_t* bytes, std::size_t length);

  EncoderLibrary& library_;
  ConverterWriteCallback write_;
  void* context_;
  void* encoder_ = nullptr;
  std::FILE* file_ = nullptr;
  std::string path_;  // the file not yet reported; empty when none
  bool in_page_ = false;
  bool turning_ = false;  // the page waits in spool_
  std::size_t row_bytes_ = 0;
  HalfTurnSpool spool_;
  bool failed_ = false;
};
