// The INI settings component (registered under its class id): one file, read by section, key
// and default, written by section, key and value.
//
// A missing file reads as defaults and is created on the first write. A file that exists but
// cannot be read (a folder, no permission, an I/O error, more than 16 MiB) also reads as
// defaults, but is never written over: the write fails with qmz::Error saying why. So does a
// write to something that is not a plain file (a device, a FIFO) or to a file this process may
// not write (one nobody may write is refused also for root).
//
// On Linux a path that is a link stands for the file its chain of links ends at: that file is
// rewritten and the links stay, so a site may keep one shared file elsewhere.
//
// Writers in other threads and processes (each with its own component) lose nothing: a write
// holds the file's lock while it reads the file, changes its keys and replaces it. On Linux that
// is an exclusive flock on the file's folder, let go explicitly when done (a child forked
// meanwhile does not keep it): nothing is left next to the file, and the folder is open anyway
// to flush the rename; it is advisory and as wide as the filesystem's flock (on a network share:
// the processes of this machine). On Windows it is a machine-wide named mutex named after the
// file (its folder's volume and number, and its name). Reads take no lock; they see the old or
// the new file, never a mix.
//
// A write goes to a temporary file in the same folder (`<name>.tmp.<pid>.<n>`), flushed to disk
// and renamed over the old file, then the folder is flushed; a failed write (qmz::Error) leaves the
// old file as it was and no temporary file. A process killed in the middle leaves a temporary
// file, which the next write removes once no process of that id lives. On Linux the new file
// keeps the old one's mode and, where the system allows it, its owner; a new file gets what any
// new file gets (0666 less the umask, the folder's default ACL). On Windows a read-only file is
// refused as one nobody may write. WriteAll changes all its keys in one such write.
//
// One component per thread. Reads before SetFile give the default; writes before SetFile fail.
#pragma once

#include <functional>
#include <string>

#include "qmz/components.h"

namespace qmz {

class IniFileComponent : public IniFile {
 public:
  void SetFile(const std::string& path) override { path_ = path; }
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& fallback) override;
  void Write(const std::string& section, const std::string& key, const std::string& value) override;
  void WriteAll(const std::string& section,
                const std::vector<std::pair<std::string, std::string>>& entries) override;

 private:
  std::string path_;
};

void RegisterIniFileComponent();

// Reads a whole file; false when it cannot be read, for whatever reason.
bool ReadWholeFile(const std::string& path, std::string& text);
// Writes a whole settings file as the component writes it (under the folder's lock, through a
// temporary file and a rename, the old mode kept); Error on failure.
void ReplaceFileAtomically(const std::string& path, const std::string& text);
// Under the folder's lock: reads the file (a missing one as ""), and replaces it with what `edit`
// makes of its text. Error, with nothing written, when the file exists but cannot be read or the
// new one cannot be written; an exception from `edit` leaves the file as it was too.
void EditFileAtomically(const std::string& path,
                        const std::function<std::string(const std::string&)>& edit);

}  // namespace qmz
