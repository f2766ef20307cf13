#include "host/cups_filter/cups_arguments.h"

#include <charconv>
#include <stdexcept>
#include <string_view>

namespace kestrel::cups_filter {
namespace {

// Most copies a job may ask for: CUPS's own MaxCopies default.
constexpr int kMaxCopies = 9999;

template <class Number>
std::optional<Number> Whole(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

CupsArguments ParseCupsArguments(std::span<const char* const> args) {
  if (args.size() < 5 || args.size() > 6)
    throw std::invalid_argument("usage: kestrel-xps job-id user title copies options [file]");
  CupsArguments parsed;
  const std::optional<std::uint32_t> job = Whole<std::uint32_t>(args[0]);
  if (!job) throw std::invalid_argument("the job id \"" + std::string(args[0]) + "\" is not a number");
  parsed.job_id = *job;
  parsed.user = args[1];
  parsed.title = args[2];
  const std::optional<int> copies = Whole<int>(args[3]);
  if (!copies || *copies < 1 || *copies > kMaxCopies)
    throw std::invalid_argument("the number of copies \"" + std::string(args[3]) + "\" is not one from 1 to 9999");
  parsed.copies = *copies;
  parsed.options = args[4];
  if (args.size() == 6) parsed.file = args[5];
  return parsed;
}

}  // namespace kestrel::cups_filter
