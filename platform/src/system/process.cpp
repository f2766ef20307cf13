#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <set>

#include "platform/checked_int.h"
#include "platform/hresult.h"
#include "platform/last_error.h"
#include "platform/utf.h"

extern char** environ;

namespace {

// A started program; its process and thread handles both point at one.
struct StartedProcess {
  pid_t pid = 0;
  bool reaped = false;
};

// A handle is the address of one of these, so that a stray pointer is
// refused instead of dereferenced.
struct ProcessHandle {
  std::shared_ptr<StartedProcess> process;
};

std::mutex& HandlesMutex() {
  static std::mutex mutex;
  return mutex;
}

std::set<ProcessHandle*>& LiveHandles() {
  static std::set<ProcessHandle*> handles;
  return handles;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

DWORD SpawnError(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INVALID_PARAMETER;
  }
}

ProcessHandle* Registered(HANDLE handle) {
  auto* candidate = static_cast<ProcessHandle*>(handle);
  return LiveHandles().contains(candidate) ? candidate : nullptr;
}

std::optional<std::string> Narrow(LPCWSTR text) {
  if (!text) return std::string();
  return Utf16ToUtf8(text);
}

}  // namespace

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (const char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (quoted) return std::nullopt;
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, void* /*processAttributes*/,
                    void* /*threadAttributes*/, BOOL /*inheritHandles*/, DWORD creationFlags, void* environment,
                    LPCWSTR currentDirectory, STARTUPINFOW* startupInfo, PROCESS_INFORMATION* processInformation) {
  if (!applicationName || !*applicationName || !startupInfo || !processInformation || creationFlags != 0 ||
      environment)
    return Fail(ERROR_INVALID_PARAMETER);
  const std::optional<std::string> program = Narrow(applicationName);
  const std::optional<std::string> line = Narrow(commandLine);
  const std::optional<std::string> directory = Narrow(currentDirectory);
  if (!program || !line || !directory) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  std::optional<std::vector<std::string>> arguments = SplitCommandLine(*line);
  if (!arguments) return Fail(ERROR_INVALID_PARAMETER);
  arguments->insert(arguments->begin(), *program);
  std::vector<char*> argv;
  for (std::string& argument : *arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!directory->empty()) posix_spawn_file_actions_addchdir_np(&actions, directory->c_str());
  // The program starts with no signal blocked and the usual handlers, whatever this thread has.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigset_t defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (const int signal : {SIGINT, SIGTERM, SIGPIPE, SIGUSR1}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, program->c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return Fail(SpawnError(error));

  auto started = std::make_shared<StartedProcess>();
  started->pid = pid;
  auto* process = new ProcessHandle{started};
  auto* thread = new ProcessHandle{started};
  {
    std::lock_guard lock(HandlesMutex());
    LiveHandles().insert(process);
    LiveHandles().insert(thread);
  }
  processInformation->hProcess = process;
  processInformation->hThread = thread;
  processInformation->dwProcessId = IntCast<DWORD>(pid);
  processInformation->dwThreadId = IntCast<DWORD>(pid);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  std::shared_ptr<StartedProcess> process;
  {
    std::lock_guard lock(HandlesMutex());
    ProcessHandle* registered = Registered(handle);
    if (!registered) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    process = registered->process;
  }
  if (process->reaped) return WAIT_OBJECT_0;
  const bool forever = milliseconds == INFINITE;
  for (DWORD waited = 0;; waited += 10) {
    int status = 0;
    const pid_t ended = waitpid(process->pid, &status, forever ? 0 : WNOHANG);
    if (ended == process->pid) {
      process->reaped = true;
      return WAIT_OBJECT_0;
    }
    if (ended < 0 && errno != EINTR) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    if (!forever && ended == 0) {
      if (waited >= milliseconds) return WAIT_TIMEOUT;
      usleep(10000);
    }
  }
}

BOOL CloseHandle(HANDLE handle) {
  std::lock_guard lock(HandlesMutex());
  ProcessHandle* registered = Registered(handle);
  if (!registered) return Fail(ERROR_INVALID_HANDLE);
  LiveHandles().erase(registered);
  delete registered;
  return TRUE;
}
