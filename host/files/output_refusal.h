// The outputs a run may not write, said once for every front end: an output
// (a picture, an animation, SNAP: in a key script, a folder of label files)
// that names the open flash image (which is also its lock), or an input of
// the run (a key script), would destroy the user's work; one through a
// symbolic link or another spelling is the same file. A file without any
// write permission is protected on purpose and is never replaced, as an
// image without write permission is never written. Every refusal comes
// before the run, so that nothing is half done.
#pragma once
#include <functional>
#include <string>
#include <vector>

// A file a run reads or writes, with what it is for the message
// ("the flash image", "--lcd-png", "SNAP:a.png").
struct RunFile {
  std::string role;
  std::string path;
};

// "" when the output may be written, else one line saying why not.
std::string output_refusal(const RunFile& output, const std::vector<RunFile>& inputs);
// The first refusal among the outputs (empty paths are skipped), or "".
std::string output_refusal(const std::vector<RunFile>& outputs, const std::vector<RunFile>& inputs);
// A folder the run writes into and clears of its own earlier files (those
// whose names `owned` accepts): refused when an input is such a file there.
std::string output_folder_refusal(const RunFile& folder, const std::vector<RunFile>& inputs,
                                  const std::function<bool(const std::string& name)>& owned);
// True for an existing regular file without any write permission.
bool output_write_protected(const std::string& path);
