// klx80-flash: looks into and mends a flash image file ("fontData.hex")
// without running the device: what it holds, the labels as JSON out and in,
// factory settings, a fresh image. Exit status as klx80-batch: 0 done,
// 1 failure (nothing written, or standard output could not be written),
// 2 bad arguments, 3 the image is in use by a running klx80 program.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/files/exit_status.h"
#include "host/files/image_lock.h"
#include "host/files/output_refusal.h"
#include "tools/flash/commands.h"

namespace {
const char kUsage[] =
    "usage: klx80-flash IMAGE info\n"
    "       klx80-flash export-labels IMAGE FILE.json\n"
    "       klx80-flash import-labels IMAGE FILE.json\n"
    "       klx80-flash reset-settings IMAGE\n"
    "       klx80-flash new IMAGE [--force] [--template PATH]\n"
    "       klx80-flash --version\n"
    "The command may also follow the image (klx80-flash IMAGE export-labels FILE.json).\n"
    "A change writes a new file and renames it over IMAGE; the old image is kept as IMAGE.bak\n"
    "(IMAGE.bak-2 and on when that name is taken: no backup is ever overwritten).\n"
    "new copies the fresh image the build made (--template PATH: another image to copy).\n"
    "An image a running klx80 program holds is not touched (exit status 3).\n"
    "Exit status: 0 success, 1 the command failed (nothing written), 2 bad arguments,\n"
    "3 the image is in use by another program.\n";

int bad_arguments(const std::string& message) {
  std::fprintf(stderr, "klx80-flash: %s\n%s", message.c_str(), kUsage);
  return 2;
}

bool is_command(const std::string& s) {
  return s == "info" || s == "export-labels" || s == "import-labels" || s == "reset-settings" || s == "new";
}

bool same_path(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}
}  // namespace

int run_command(const std::string& command, const std::string& image, const std::vector<std::string>& rest);

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("klx80-flash %s\n", KLX80_VERSION);
    return 0;
  }
  if (args.size() < 2) return bad_arguments("a command and an image are needed");
  std::string command, image;
  std::vector<std::string> rest;
  if (is_command(args[0])) {
    command = args[0];
    image = args[1];
  } else if (is_command(args[1])) {
    command = args[1];
    image = args[0];
  } else {
    return bad_arguments("unknown command");
  }
  rest.assign(args.begin() + 2, args.end());
  if (image.empty()) return bad_arguments("the image path is empty");
  const int status = run_command(command, image, rest);
  // What info or a command printed must have arrived (a full disk, a closed pipe).
  if (!stdout_finished("klx80-flash") && status == kExitOk) return kExitFailed;
  return status;
}

// The same lock as the device's session: a change waits for no program
// running on the image (its saves would go to the file replaced under it),
// and a look inside is refused while one writes to it.
int run_command(const std::string& command, const std::string& image, const std::vector<std::string>& rest) {
  ImageLock lock;
  const bool changes = command != "info" && command != "export-labels";
  if (lock.acquire(image, changes ? ImageLock::Mode::Exclusive : ImageLock::Mode::Shared) ==
      ImageLock::Result::InUse) {
    std::fprintf(stderr, "klx80-flash: %s\n", image_lock_in_use(image).c_str());
    return kExitInUse;
  }
  if (command == "info" || command == "reset-settings") {
    if (!rest.empty()) return bad_arguments("unexpected argument '" + rest[0] + "'");
    return command == "info" ? flash_info(image) : flash_reset_settings(image);
  }
  if (command == "export-labels" || command == "import-labels") {
    if (rest.size() != 1 || rest[0].empty()) return bad_arguments(command + " needs one JSON file");
    if (same_path(rest[0], image)) return bad_arguments("the JSON file and the image are the same file");
    if (command == "export-labels")
      if (std::string why = output_refusal({"the JSON file", rest[0]}, {}); !why.empty()) return bad_arguments(why);
    return command == "export-labels" ? flash_export_labels(image, rest[0]) : flash_import_labels(image, rest[0]);
  }
  bool force = false;
  std::string template_path = KLX80_FLASH_TEMPLATE;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == "--force") {
      force = true;
    } else if (rest[i] == "--template" && i + 1 < rest.size() && !rest[i + 1].empty()) {
      template_path = rest[++i];
    } else {
      return bad_arguments("unexpected argument '" + rest[i] + "'");
    }
  }
  return flash_new(image, template_path, force);
}
