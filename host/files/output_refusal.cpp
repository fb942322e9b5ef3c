#include "host/files/output_refusal.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "host/files/output_file.h"

namespace fs = std::filesystem;

bool output_write_protected(const std::string& path) {
  struct stat st {};
  // Even for a user (root) whom the system would let write it.
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

std::string output_refusal(const RunFile& output, const std::vector<RunFile>& inputs) {
  if (output.path.empty()) return "";
  for (const RunFile& in : inputs)
    if (!in.path.empty() && output_file_same(output.path, in.path))
      return output.role + " '" + output.path + "' names " + in.role + "; it would be overwritten";
  if (output_write_protected(output.path))
    return output.role + " '" + output.path + "' is write-protected; it is not replaced";
  return "";
}

std::string output_refusal(const std::vector<RunFile>& outputs, const std::vector<RunFile>& inputs) {
  for (const RunFile& out : outputs)
    if (std::string why = output_refusal(out, inputs); !why.empty()) return why;
  return "";
}

std::string output_folder_refusal(const RunFile& folder, const std::vector<RunFile>& inputs,
                                  const std::function<bool(const std::string& name)>& owned) {
  if (folder.path.empty()) return "";
  std::error_code ec;
  const fs::path dir = fs::weakly_canonical(folder.path, ec);
  for (const RunFile& in : inputs) {
    if (in.path.empty()) continue;
    // Where the input's data live, through links.
    const fs::path file = fs::weakly_canonical(output_file_target(in.path), ec);
    if (file.parent_path() == dir && owned(file.filename().string()))
      return folder.role + " '" + folder.path + "' would overwrite " + in.role + " '" + in.path + "'";
    // The link itself, when it is the one in the folder.
    const fs::path named =
        fs::weakly_canonical(fs::path(in.path).parent_path().empty() ? "." : fs::path(in.path).parent_path(), ec);
    if (named == dir && owned(fs::path(in.path).filename().string()))
      return folder.role + " '" + folder.path + "' would overwrite " + in.role + " '" + in.path + "'";
  }
  return "";
}
