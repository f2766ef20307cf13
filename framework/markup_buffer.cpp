#include "framework/markup_buffer.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/com.h"
#include "platform/wstring.h"
#include "ticket/hresult_error.h"

namespace {

// The capacity counter in front of the characters.
constexpr std::size_t kPrefixBytes = sizeof(std::uint64_t);
constexpr std::size_t kFirstCapacity = 128;
constexpr std::size_t kMaxSize = std::numeric_limits<std::size_t>::max();

void* BlockOf(void* text) { return static_cast<BYTE*>(text) - kPrefixBytes; }
const void* BlockOf(const void* text) { return static_cast<const BYTE*>(text) - kPrefixBytes; }

[[noreturn]] void ThrowOutOfMemory() { throw HResultError(E_OUTOFMEMORY); }

std::size_t CheckedSum(std::size_t a, std::size_t b) {
  if (b > kMaxSize - a) ThrowOutOfMemory();
  return a + b;
}

}  // namespace

template <class Char>
BasicMarkupBuffer<Char>::BasicMarkupBuffer(BasicMarkupBuffer&& other) noexcept
    : text_(std::exchange(other.text_, nullptr)), length_(std::exchange(other.length_, 0)) {}

template <class Char>
BasicMarkupBuffer<Char>& BasicMarkupBuffer<Char>::operator=(BasicMarkupBuffer&& other) noexcept {
  std::swap(text_, other.text_);
  std::swap(length_, other.length_);
  return *this;
}

template <class Char>
BasicMarkupBuffer<Char>::~BasicMarkupBuffer() {
  if (text_) HeapFree(GetProcessHeap(), 0, BlockOf(text_));
}

template <class Char>
std::size_t BasicMarkupBuffer<Char>::Capacity() const {
  if (!text_) return 0;
  std::uint64_t capacity;
  std::memcpy(&capacity, BlockOf(static_cast<const void*>(text_)), sizeof capacity);
  return static_cast<std::size_t>(capacity);
}

template <class Char>
const Char* BasicMarkupBuffer<Char>::Text() const {
  static constexpr Char kEmpty[1] = {};
  return text_ ? text_ : kEmpty;
}

template <class Char>
void BasicMarkupBuffer<Char>::Reallocate(std::size_t capacity) {
  if (capacity > (kMaxSize - kPrefixBytes) / sizeof(Char)) ThrowOutOfMemory();
  const std::size_t bytes = kPrefixBytes + capacity * sizeof(Char);
  void* block = text_ ? HeapReAlloc(GetProcessHeap(), 0, BlockOf(text_), bytes)
                      : HeapAlloc(GetProcessHeap(), 0, bytes);
  if (!block) ThrowOutOfMemory();
  const std::uint64_t counter = capacity;
  std::memcpy(block, &counter, sizeof counter);
  text_ = reinterpret_cast<Char*>(static_cast<BYTE*>(block) + kPrefixBytes);
}

template <class Char>
void BasicMarkupBuffer<Char>::Ensure(std::size_t length) {
  const bool fresh = text_ == nullptr;
  std::size_t capacity = fresh ? kFirstCapacity : Capacity();
  if (!fresh && length < capacity) return;
  while (capacity <= length) {
    if (capacity > kMaxSize / 2) ThrowOutOfMemory();
    capacity *= 2;
  }
  Reallocate(capacity);
  if (fresh) {
    text_[0] = Char();
    length_ = 0;
  }
}

template <class Char>
void BasicMarkupBuffer<Char>::Assign(const Char* text) {
  if (text) Assign(View(text));
}

template <class Char>
void BasicMarkupBuffer<Char>::Assign(View text) {
  // Text taken from this buffer is never longer than it, so Ensure keeps the
  // storage in place and move copes with the overlap.
  Ensure(text.size());
  std::char_traits<Char>::move(text_, text.data(), text.size());
  length_ = text.size();
  text_[length_] = Char();
}

template <class Char>
void BasicMarkupBuffer<Char>::Append(const Char* text) {
  Append(text ? View(text) : View());
}

template <class Char>
void BasicMarkupBuffer<Char>::Append(View text) {
  // Text taken from this buffer moves with it when the storage grows.
  const std::less<const Char*> before;
  const bool own = text_ && !text.empty() && !before(text.data(), text_) && before(text.data(), text_ + length_);
  const std::size_t offset = own ? static_cast<std::size_t>(text.data() - text_) : 0;
  Ensure(CheckedSum(length_, text.size()));
  const Char* source = own ? text_ + offset : text.data();
  std::char_traits<Char>::move(text_ + length_, source, text.size());
  length_ += text.size();
  text_[length_] = Char();
}

template <class Char>
void BasicMarkupBuffer<Char>::FormatArgs(const Char* format, std::span<const FormatArg> args) {
  if constexpr (std::is_same_v<Char, WCHAR>) {
    const Formatted<std::u16string> formatted = FormatWideArgs(format, args);
    if (!formatted) throw HResultError(formatted.hr);
    Assign(View(formatted.text));
  } else {
    const Formatted<std::string> formatted = FormatNarrowArgs(format, args);
    if (!formatted) throw HResultError(formatted.hr);
    Assign(View(formatted.text));
  }
}

template <class Char>
std::ptrdiff_t BasicMarkupBuffer<Char>::Find(const Char* text) const {
  if (!text || !text_) return -1;
  const std::size_t found = view().find(View(text));
  return found == View::npos ? -1 : static_cast<std::ptrdiff_t>(found);
}

template <class Char>
bool BasicMarkupBuffer<Char>::Equals(const Char* text) const {
  if (!text) throw HResultError(E_FAIL);
  return view() == View(text);
}

template <class Char>
std::size_t BasicMarkupBuffer<Char>::Erase(std::ptrdiff_t position, std::ptrdiff_t count) {
  const std::size_t start = position < 0 ? 0 : static_cast<std::size_t>(position);
  const std::size_t removed = count < 0 ? 0 : static_cast<std::size_t>(count);
  if (start > length_ || removed > length_ - start) throw HResultError(E_INVALIDARG);
  if (removed == 0) return length_;
  // The terminator moves with the tail.
  std::char_traits<Char>::move(text_ + start, text_ + start + removed, length_ - start - removed + 1);
  length_ -= removed;
  return length_;
}

template <class Char>
std::size_t BasicMarkupBuffer<Char>::ReplaceAll(const Char* from, const Char* to) {
  if (!from || !*from) return 0;
  // Copies, since either may point into the text that is about to move.
  const std::basic_string<Char> pattern(from);
  const std::basic_string<Char> replacement = to ? std::basic_string<Char>(to) : std::basic_string<Char>();

  std::vector<std::size_t> matches;
  for (std::size_t at = view().find(pattern); at != View::npos; at = view().find(pattern, at + pattern.size()))
    matches.push_back(at);
  if (matches.empty()) return 0;

  if (replacement.size() <= pattern.size()) {
    // Front to back: the text only moves towards the start.
    std::size_t read = matches.front();
    std::size_t write = read;
    for (const std::size_t match : matches) {
      std::char_traits<Char>::move(text_ + write, text_ + read, match - read);
      write += match - read;
      std::char_traits<Char>::copy(text_ + write, replacement.data(), replacement.size());
      write += replacement.size();
      read = match + pattern.size();
    }
    std::char_traits<Char>::move(text_ + write, text_ + read, length_ - read + 1);
    length_ = write + (length_ - read);
  } else {
    // Grown once, then back to front: the text only moves towards the end.
    const std::size_t growth = replacement.size() - pattern.size();
    if (matches.size() > (kMaxSize - length_) / growth) ThrowOutOfMemory();
    const std::size_t grown = length_ + growth * matches.size();
    Ensure(grown);
    std::size_t end = length_;
    std::size_t write = grown;
    text_[grown] = Char();
    for (auto match = matches.rbegin(); match != matches.rend(); ++match) {
      const std::size_t tail = *match + pattern.size();
      write -= end - tail;
      std::char_traits<Char>::move(text_ + write, text_ + tail, end - tail);
      write -= replacement.size();
      std::char_traits<Char>::copy(text_ + write, replacement.data(), replacement.size());
      end = *match;
    }
    length_ = grown;
  }
  return matches.size();
}

template <class Char>
void BasicMarkupBuffer<Char>::Clear() {
  if (text_) text_[0] = Char();
  length_ = 0;
}

template class BasicMarkupBuffer<WCHAR>;
template class BasicMarkupBuffer<char>;

void NarrowBuffer::FromWide(LPCWSTR text) {
  if (!text) return;
  const std::size_t length = WideLength(text);
  if (length == 0) {
    Assign(View());
    return;
  }
  if (length > static_cast<std::size_t>(INT_MAX)) throw HResultError(E_FAIL);
  // The ANSI code page has one byte per character: anything else did not convert.
  const int units = static_cast<int>(length);
  std::string bytes(length, '\0');
  const int written = WideCharToMultiByte(CP_ACP, 0, text, units, bytes.data(), units, nullptr, nullptr);
  if (written != units) throw HResultError(E_FAIL);
  Assign(View(bytes));
}
