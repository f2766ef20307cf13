// The converter's output through the write callback's record stream, against
// writing the same printer data straight to the output stream. The converter
// side sends records of 4 KiB in calls of 64 KiB cut anywhere, as a converter
// flushing its buffer would. Goal: about 1.0.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "filters/rip/output_record_stream.h"
#include "platform/com_object.h"
#include "ratio_reporter.h"
#include "thread_time.h"

namespace {

constexpr std::size_t kRecordPayload = 4096;
constexpr std::size_t kRecords = 1024;  // 4 MiB of printer data a job
constexpr std::size_t kCallBytes = 64 << 10;

// The output: copies what it takes into its buffer, as a port driver would.
class MemoryOutput final : public ComObject<IPrintWriteStream> {
 public:
  HRESULT WriteBytes(const void* buffer, ULONG cb, ULONG* written) override {
    for (ULONG done = 0; done < cb;) {
      const std::size_t n = std::min<std::size_t>(cb - done, sizeof block_);
      std::memcpy(block_, static_cast<const char*>(buffer) + done, n);
      benchmark::ClobberMemory();
      done += static_cast<ULONG>(n);
    }
    *written = cb;
    total_ += cb;
    return S_OK;
  }
  void Close() override {}
  std::size_t total() const { return total_; }

 private:
  alignas(64) char block_[64 << 10];
  std::size_t total_ = 0;
};

const std::string& Payload() {
  static const std::string payload = [] {
    std::string bytes(kRecordPayload, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + 7);
    return bytes;
  }();
  return payload;
}

const std::string& Records() {
  static const std::string records = [] {
    std::string stream;
    const auto n = static_cast<DWORD>(kRecordPayload);
    const char header[8] = {0, 0, 0, 0, static_cast<char>(n & 0xFF), static_cast<char>(n >> 8), 0, 0};
    for (std::size_t r = 0; r < kRecords; ++r) stream.append(header, 8).append(Payload());
    return stream;
  }();
  return records;
}

void BM_StraightWrite(benchmark::State& state) {
  const auto output = MakeComObject<MemoryOutput>();
  // Called through the interface, as the record stream calls it.
  IPrintWriteStream* sink = output.Get();
  benchmark::DoNotOptimize(sink);
  // The same payload bytes, from their places in the converter's buffer.
  const std::string& records = Records();
  TimeByThreadCpu(state, [&] {
    for (std::size_t r = 0; r < kRecords; ++r) {
      ULONG written = 0;
      sink->WriteBytes(records.data() + r * (8 + kRecordPayload) + 8, static_cast<ULONG>(kRecordPayload), &written);
    }
  });
  benchmark::DoNotOptimize(output->total());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRecords * kRecordPayload));
}
BENCHMARK(BM_StraightWrite)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RecordStream(benchmark::State& state) {
  const auto output = MakeComObject<MemoryOutput>();
  OutputListFile list;
  const std::string& records = Records();
  TimeByThreadCpu(state, [&] {
    OutputRecordStream stream(output.Get(), list);
    for (std::size_t at = 0; at < records.size(); at += kCallBytes)
      if (FAILED(stream.Take(reinterpret_cast<const BYTE*>(records.data()) + at,
                             std::min(kCallBytes, records.size() - at))))
        state.SkipWithError("the record stream failed");
  });
  benchmark::DoNotOptimize(output->total());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRecords * kRecordPayload));
}
BENCHMARK(BM_RecordStream)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunWithRatios(argc, argv, "BM_StraightWrite/manual_time", "job"); }
