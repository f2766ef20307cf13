// The list of files the converter reports during a job: a profile file with
// one section "FileList" whose keys 1, 2, ... hold the paths in arrival
// order. It is made by the first name, beside that file (in the temporary
// folder when the name has no folder), under a fresh unpredictable name that
// only the job's owner may read or change.
#pragma once

#include <string>
#include <vector>

#include "platform/hresult.h"

class OutputListFile {
 public:
  OutputListFile() = default;
  OutputListFile(const OutputListFile&) = delete;
  OutputListFile& operator=(const OutputListFile&) = delete;

  // Lists the file, making the list first. E_INVALIDARG for an empty name or
  // one longer than 259 characters; the failure of creating or writing the list.
  HRESULT Add(const std::u16string& name);

  bool Exists() const { return !path_.empty(); }
  const std::u16string& path() const { return path_; }
  const std::vector<std::u16string>& names() const { return names_; }

  // Removes the list; with listed, every file it names as well.
  void Remove(bool listed);
  // Forgets the list, leaving it and its files to whoever it was handed to.
  void HandOver();

 private:
  HRESULT Create(const std::u16string& name);

  std::u16string path_;
  std::vector<std::u16string> names_;
};
