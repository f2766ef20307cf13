#include "host/package/xps_package_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <string>
#include <vector>

#include "host/package/content_types.h"
#include "host/package/font_obfuscation.h"
#include "host/package/package_error.h"
#include "host/package/part_name.h"
#include "host/package/part_name_table.h"
#include "host/package/part_spool.h"
#include "host/package/relationships.h"
#include "host/package/zip_stream_writer.h"

namespace kestrel::package {
namespace {

// A part bigger than this streams straight into the ZIP when the stream is
// free, or spills to a spool file when it is not.
constexpr std::size_t kSpoolMemoryBound = 512 << 10;
// Finished parts waiting for the ZIP stream keep at most this much in memory together.
constexpr std::size_t kPendingMemoryBound = 16 << 20;
constexpr std::uint64_t kLargeItem = 0xFFFFFFFFu;

// The process's file-creation mask, read without changing it (umask() would race with
// other threads creating files).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8) & 0777);
  return 022;
}

std::filesystem::path TemporaryPathBeside(const std::filesystem::path& output) {
  const std::filesystem::path folder = output.parent_path().empty() ? "." : output.parent_path();
  std::string pattern = (folder / ("." + output.filename().string() + ".XXXXXX.tmp")).string();
  const int file = mkstemps(pattern.data(), 4);
  if (file < 0) throw PackageError(output.string(), "cannot create a temporary file beside the output");
  // mkstemp makes the file private; the output gets the permissions a new file normally has.
  fchmod(file, 0666 & ~CurrentUmask());
  close(file);
  return pattern;
}

struct PendingPart {
  std::string name;
  int level;
  PartSpool spool;
};

// What the writer knows of each part name it was given.
struct PartState {
  bool begun = false;     // reserved by BeginPart and not given up
  bool finished = false;  // its bytes are complete
  bool related = false;   // its relationships part was written
};

}  // namespace

class PackageWriter::State {
 public:
  State(const std::filesystem::path& output, int level)
      : output_(output),
        temporary_(TemporaryPathBeside(output)),
        folder_(temporary_.parent_path()),
        level_(level),
        content_types_(folder_) {
    try {
      zip_.emplace(temporary_);
    } catch (...) {
      std::filesystem::remove(temporary_);
      throw;
    }
  }

  ~State() {
    if (committed_) return;
    zip_.reset();
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
  }

  const std::filesystem::path& Folder() const { return folder_; }
  int LevelFor(const PartOptions& options) const {
    return options.compression_level >= 0 ? options.compression_level : level_;
  }

  // Reserves the name for a new part; throws for duplicates and reserved names.
  void Reserve(std::string_view name, std::string_view content_type) {
    if (auto problem = PartNameProblem(name)) throw PackageError(std::string(name), "invalid part name: " + *problem);
    if (IsRelationshipsPartName(name)) {
      throw PackageError(std::string(name), "relationships parts are written from the relationships added");
    }
    if (!IsValidContentType(content_type)) {
      throw PackageError(std::string(name), "invalid content type \"" + std::string(content_type) + "\"");
    }
    std::lock_guard hold(lock_);
    ThrowIfCommitted(name);
    PartState& state = parts_.At(parts_.Insert(name).first);
    if (state.begun) throw PackageError(std::string(name), "a part of this name was already added");
    state.begun = true;
    ++open_sinks_;
  }

  bool HasPart(std::string_view name) {
    std::lock_guard hold(lock_);
    const std::optional<std::size_t> entry = parts_.Find(name);
    return entry && parts_.At(*entry).begun;
  }

  // A sink given up before Finish: its name is free again.
  void Abandon(const std::string& name) {
    std::lock_guard hold(lock_);
    parts_.At(*parts_.Find(name)).begun = false;
    --open_sinks_;
    changed_.notify_all();
  }

  // A sink that streamed straight into the ZIP was given up: the item cannot be taken back.
  void AbandonStreamed(const std::string& name) {
    try {
      zip_->EndItem();
    } catch (const PackageError&) {
      // The package is broken either way; Commit reports it.
    }
    std::unique_lock hold(lock_);
    broken_ = name + ": given up while it was written into the package";
    --open_sinks_;
    ReleaseZipAndDrain(hold);
  }

  // A sink that streamed straight into the ZIP failed: the package is broken.
  void FailStreamed(const std::string& problem) {
    std::unique_lock hold(lock_);
    broken_ = problem;
    --open_sinks_;
    ReleaseZipAndDrain(hold);
  }

  // Tries to take the ZIP stream for a sink that writes straight into it.
  bool TryClaimZip() {
    std::lock_guard hold(lock_);
    if (zip_busy_ || !pending_.empty() || broken_) return false;
    zip_busy_ = true;
    return true;
  }

  ZipStreamWriter& Zip() { return *zip_; }

  // A streamed part is complete: its item is closed, the ZIP stream is free again.
  void FinishStreamed(const std::string& name, const std::string& content_type) {
    std::unique_lock hold(lock_);
    MarkFinished(name, content_type);
    --open_sinks_;
    ReleaseZipAndDrain(hold);
  }

  // A spooled part is complete: written now when the ZIP stream is free, else queued.
  void FinishSpooled(const std::string& name, const std::string& content_type, int level, PartSpool spool) {
    std::unique_lock hold(lock_);
    MarkFinished(name, content_type);
    --open_sinks_;
    Queue(hold, PendingPart{name, level, std::move(spool)});
  }

  void AddRelationship(std::string_view source, const Relationship& relationship) {
    if (source != "/" && PartNameProblem(source)) {
      throw PackageError(std::string(source), "relationship source is not a part name");
    }
    if (relationship.type.empty()) throw PackageError(std::string(source), "relationship without a type");
    Relationship added = relationship;
    if (!added.external) {
      auto target = ResolvePartReference(source == "/" ? "/" : source, relationship.target);
      if (!target) throw PackageError(std::string(source), "relationship target " + relationship.target + " is no part name");
      added.target = *target;
    }
    std::lock_guard hold(lock_);
    ThrowIfCommitted(source);
    if (source != "/") {
      const std::optional<std::size_t> part = parts_.Find(source);
      if (part && parts_.At(*part).related) {
        throw PackageError(std::string(source), "its relationships part was already written");
      }
    }
    SourceRelationships& entry = relationships_[source == "/" ? "/" : PartNameKey(source)];
    if (entry.source.empty()) entry.source = source;
    if (added.id.empty()) {
      do added.id = "R" + std::to_string(++entry.last_generated); while (entry.ids.contains(added.id));
    }
    if (!entry.ids.insert(added.id).second) {
      throw PackageError(std::string(source), "two relationships with Id " + added.id);
    }
    entry.list.push_back(std::move(added));
  }

  // Writes source's relationships part as soon as the ZIP stream is free.
  void FinishRelationships(std::string_view source) {
    std::unique_lock hold(lock_);
    ThrowIfCommitted(source);
    const std::optional<std::size_t> part = parts_.Find(source);
    if (!part || !parts_.At(*part).finished) {
      throw PackageError(std::string(source), "relationships finished before the part itself");
    }
    if (parts_.At(*part).related) throw PackageError(std::string(source), "its relationships part was already written");
    const auto found = relationships_.find(PartNameKey(source));
    if (found != relationships_.end()) CheckTargets(found->second);
    parts_.At(*part).related = true;
    if (found == relationships_.end()) return;
    const std::string name = RelationshipsPartName(found->second.source);
    const std::string xml = WriteRelationships(found->second.list);
    relationships_.erase(found);
    PartSpool spool(folder_, kSpoolMemoryBound, name);
    spool.Append(xml.data(), xml.size());
    Queue(hold, PendingPart{name, level_, std::move(spool)});
  }

  void Commit() {
    std::unique_lock hold(lock_);
    ThrowIfCommitted(output_.string());
    if (open_sinks_ > 0) throw PackageError(output_.string(), std::to_string(open_sinks_) + " part(s) still open");
    changed_.wait(hold, [this] { return !zip_busy_; });
    if (broken_) throw PackageError(output_.string(), *broken_);
    if (failure_) throw PackageError(output_.string(), *failure_);
    zip_busy_ = true;  // for good: nothing else may write now; the lock stays held to the end

    for (const auto& [key, entry] : relationships_) {
      if (key != "/" && !IsFinished(entry.source)) {
        throw PackageError(entry.source, "has relationships but is not a part of the package");
      }
      CheckTargets(entry);
      const std::string rels_name = RelationshipsPartName(entry.source);
      WriteWholeItem(rels_name, WriteRelationships(entry.list));
    }
    WriteWholeItem(std::string("/") + kContentTypesItem, content_types_.Write());
    zip_->Close();
    zip_.reset();
    SyncFile(temporary_);
    std::error_code error;
    std::filesystem::rename(temporary_, output_, error);
    if (error) throw PackageError(output_.string(), "cannot move the finished package into place: " + error.message());
    committed_ = true;
  }

 private:
  struct SourceRelationships {
    std::string source;
    std::vector<Relationship> list;
    std::set<std::string> ids;
    unsigned last_generated = 0;
  };

  bool IsFinished(std::string_view name) const {
    const std::optional<std::size_t> part = parts_.Find(name);
    return part && parts_.At(*part).finished;
  }

  void CheckTargets(const SourceRelationships& entry) const {
    for (const Relationship& r : entry.list) {
      if (!r.external && !IsFinished(r.target)) {
        throw PackageError(r.target, "missing part referenced by relationship " + r.id + " of " + entry.source);
      }
    }
  }

  // Called holding the lock.
  void MarkFinished(const std::string& name, const std::string& content_type) {
    parts_.At(*parts_.Find(name)).finished = true;
    content_types_.Add(name, content_type);
  }

  // Called holding the lock: queues a complete part for the ZIP stream and
  // writes the queue now when the stream is free.
  void Queue(std::unique_lock<std::mutex>& hold, PendingPart part) {
    if (pending_memory_ + part.spool.MemoryUsed() > kPendingMemoryBound) part.spool.Spill();
    pending_memory_ += part.spool.MemoryUsed();
    pending_.push_back(std::move(part));
    if (zip_busy_) return;
    zip_busy_ = true;
    ReleaseZipAndDrain(hold);
  }

  void ThrowIfCommitted(std::string_view name) const {
    if (committed_) throw PackageError(std::string(name), "the package was already committed");
  }

  void WriteWholeItem(const std::string& name, const std::string& bytes) {
    zip_->BeginItem(name.substr(1), level_, false, name);
    zip_->Write(bytes.data(), bytes.size());
    zip_->EndItem();
  }

  // Called holding the lock with the ZIP stream taken: writes the queued
  // parts (without the lock), then frees the stream.
  void ReleaseZipAndDrain(std::unique_lock<std::mutex>& hold) {
    while (!pending_.empty() && !failure_) {
      PendingPart next = std::move(pending_.front());
      pending_.pop_front();
      pending_memory_ -= next.spool.MemoryUsed();
      hold.unlock();
      std::optional<std::string> failed;
      try {
        zip_->BeginItem(next.name.substr(1), next.level, next.spool.Size() >= kLargeItem, next.name);
        next.spool.Drain([this](const void* data, std::size_t size) { zip_->Write(data, size); });
        zip_->EndItem();
      } catch (const PackageError& error) {
        failed = error.what();
      }
      hold.lock();
      if (failed) failure_ = failed;
    }
    zip_busy_ = false;
    changed_.notify_all();
  }

  static void SyncFile(const std::filesystem::path& path) {
    const int file = open(path.c_str(), O_RDONLY);
    if (file < 0) return;
    fsync(file);
    close(file);
  }

  std::filesystem::path output_;
  std::filesystem::path temporary_;
  std::filesystem::path folder_;
  int level_;
  std::optional<ZipStreamWriter> zip_;

  std::mutex lock_;
  std::condition_variable changed_;
  bool zip_busy_ = false;
  bool committed_ = false;
  std::size_t open_sinks_ = 0;
  PartNameTable<PartState> parts_;
  ContentTypesWriter content_types_;
  std::deque<PendingPart> pending_;
  std::size_t pending_memory_ = 0;
  std::optional<std::string> broken_;
  std::optional<std::string> failure_;
  // Relationships not written yet, by PartNameKey of their source ("/" for the package).
  std::map<std::string, SourceRelationships> relationships_;
};

namespace {

class SpoolingPartSink final : public PartSink {
 public:
  SpoolingPartSink(PackageWriter::State& state, std::string name, std::string content_type, int level,
                   std::optional<ObfuscationKey> key)
      : state_(state),
        name_(std::move(name)),
        content_type_(std::move(content_type)),
        level_(level),
        key_(key),
        spool_(state.Folder(), kSpoolMemoryBound, name_) {}

  ~SpoolingPartSink() override {
    if (done_) return;
    if (streaming_) {
      state_.AbandonStreamed(name_);
    } else {
      state_.Abandon(name_);
    }
  }

  void Write(const void* data, std::size_t size) override {
    if (done_) throw PackageError(name_, "written after Finish");
    if (size == 0) return;
    std::vector<std::uint8_t> head;
    if (key_ && written_ < 32) {
      // Obfuscate a copy: the caller's buffer is not ours to change.
      head.assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
      ApplyFontObfuscation(*key_, written_, head);
      data = head.data();
    }
    written_ += size;
    if (!streaming_ && spool_.Size() + size > kSpoolMemoryBound && state_.TryClaimZip()) {
      streaming_ = true;
      Streamed([&] {
        state_.Zip().BeginItem(name_.substr(1), level_, true, name_);
        spool_.Drain([this](const void* bytes, std::size_t n) { state_.Zip().Write(bytes, n); });
      });
    }
    if (streaming_) {
      Streamed([&] { state_.Zip().Write(data, size); });
    } else {
      spool_.Append(data, size);
    }
  }

  void Finish() override {
    if (done_) throw PackageError(name_, "finished twice");
    if (streaming_) {
      Streamed([&] { state_.Zip().EndItem(); });
      done_ = true;
      state_.FinishStreamed(name_, content_type_);
    } else {
      done_ = true;
      state_.FinishSpooled(name_, content_type_, level_, std::move(spool_));
    }
  }

 private:
  // Runs a step on the ZIP stream this sink holds; a failure frees the stream and breaks the package.
  template <typename Step>
  void Streamed(const Step& step) {
    try {
      step();
    } catch (const PackageError& error) {
      done_ = true;
      state_.FailStreamed(error.what());
      throw;
    }
  }

  PackageWriter::State& state_;
  std::string name_;
  std::string content_type_;
  int level_;
  std::optional<ObfuscationKey> key_;
  PartSpool spool_;
  std::uint64_t written_ = 0;
  bool streaming_ = false;
  bool done_ = false;
};

}  // namespace

PackageWriter::PackageWriter(const std::filesystem::path& output, int compression_level) {
  if (compression_level < 0 || compression_level > 9) {
    throw PackageError(output.string(), "compression level " + std::to_string(compression_level) + " (0 to 9)");
  }
  state_ = std::make_unique<State>(output, compression_level);
}

PackageWriter::~PackageWriter() = default;

std::unique_ptr<PartSink> PackageWriter::BeginPart(std::string_view name, std::string_view content_type,
                                                   const PartOptions& options) {
  // A reader tells obfuscated fonts by content type or extension: both must agree with the option.
  if (options.obfuscate != IsObfuscatedFont(name, content_type)) {
    throw PackageError(std::string(name), options.obfuscate
                                              ? "stored obfuscated, so it needs the content type " +
                                                    std::string(kObfuscatedFontContentType) + " or a .odttf name"
                                              : "named or typed as an obfuscated font but not to be stored obfuscated");
  }
  std::optional<ObfuscationKey> key;
  if (options.obfuscate) {
    key = FontObfuscationKey(name);
    if (!key) throw PackageError(std::string(name), "an obfuscated font needs a GUID as its name");
  }
  if (options.compression_level > 9) throw PackageError(std::string(name), "compression level over 9");
  state_->Reserve(name, content_type);
  return std::make_unique<SpoolingPartSink>(*state_, std::string(name), std::string(content_type),
                                            state_->LevelFor(options), key);
}

void PackageWriter::AddRelationship(std::string_view source, const Relationship& relationship) {
  state_->AddRelationship(source, relationship);
}

void PackageWriter::FinishRelationships(std::string_view source) { state_->FinishRelationships(source); }

bool PackageWriter::HasPart(std::string_view name) const { return state_->HasPart(name); }

void PackageWriter::Commit() { state_->Commit(); }

}  // namespace kestrel::package
