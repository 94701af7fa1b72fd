#include "tools/pack_options.h"

#include <algorithm>

namespace mv::tools {
namespace {

struct CommandInfo {
  const char* name;
  std::vector<std::string> options;  // each takes a value
  const char* usage;
  std::vector<std::string> flags = {};  // each stands alone
};


const std::vector<CommandInfo>& Commands() {
  static const std::vector<CommandInfo> commands = {
      {"create",
       {"message-file", "compression", "kdf", "password", "password-file"},
       "usage: morvalis-pack create OUT.mef [--message-file FILE] [--compression 0|1|2]\n"
       "                             [--kdf default|high|max | --classic] INPUT...\n"
       "  Writes an encrypted container of the given files and folders, each\n"
       "  folder with its whole tree under its own name. Compression: 0 none,\n"
       "  1 best (default), 2 fast.\n"
       "  The strong kind is written by default: the key is derived with Argon2id\n"
       "  (--kdf default: 3 passes over 64 MiB, 4 lanes; high: 256 MiB; max: 1 pass\n"
       "  over 2 GiB) and every 64 KiB chunk is authenticated (AES-256-GCM).\n"
       "  --classic writes the classic kind (AES-128, a key from one SHA-1, nothing\n"
       "  authenticated), which older readers open.\n"
       "  A symbolic link to a file is packed as that file; links to folders, dangling\n"
       "  links, FIFOs, sockets, devices and recycle-bin folders are skipped with a\n"
       "  warning. Nothing is written when any name has no Windows-1252 form or is one\n"
       "  Windows cannot store (CON, aux.c, 'x.', 'a:b', ...), a file cannot be read or\n"
       "  is larger than 4294901759 bytes, or all files with their records add up to\n"
       "  more than 4294967295 bytes: every such path is listed.\n"
       "  An existing OUT is left alone unless --force is given.\n",
       {"classic", "force"}},
      {"hide",
       {"message-file", "password", "password-file"},
       "usage: morvalis-pack hide CARRIER.bmp|.wav OUT.bmp|.wav [--message-file FILE] INPUT...\n"
       "  Hides a container in a copy of an uncompressed 8/24-bit BMP or 8/16-bit WAV.\n"
       "  INPUT as for create. A hidden container is always of the classic kind.\n"
       "  An existing OUT is left alone unless --force is given.\n",
       {"force"}},
      {"sfx",
       {"stub", "system", "container", "message-file", "compression", "kdf", "description", "link", "disclaimer",
        "bitmap", "password", "password-file"},
       "usage: morvalis-pack sfx OUT [--stub STUB | --system windows|linux]\n"
       "                          (--container IN.mef | [--message-file FILE]\n"
       "                          [--compression N] [--kdf P | --classic] INPUT...)\n"
       "                          [--description FILE] [--link TEXT] [--disclaimer FILE] [--bitmap FILE.bmp]\n"
       "                          [--force]\n"
       "  Writes a self-extractor: a copy of STUB (Windows .exe or Linux ELF) carrying the\n"
       "  package. Without --stub the stub beside this program is taken: morvalis-sfx.exe\n"
       "  for Windows, morvalis-sfx for Linux; --system chooses which (by default the\n"
       "  system this program runs on). --container embeds an existing container\n"
       "  unchanged. INPUT, --kdf and --classic as for create. A Windows self-extractor\n"
       "  stays below 1879048192 bytes (1.75 GiB; Windows starts no larger program), any\n"
       "  one carries at most 4294967295 bytes of package: a package that may pass a bound\n"
       "  is refused at once. An existing OUT is left alone unless --force is given.\n"
       "  A signed stub is refused: pack first, then sign the self-extractor.\n",
       {"classic", "force"}},
      {"list",
       {"password", "password-file"},
       "usage: morvalis-pack list PACKAGE\n"
       "  Prints the package's kind (strong with its key derivation's cost, or classic),\n"
       "  one line per entry (kind, size, modification time, path) and whether a\n"
       "  message text is present. PACKAGE: a .mef file, a carrier or a self-extractor.\n"},
      {"test",
       {"password", "password-file"},
       "usage: morvalis-pack test PACKAGE\n"
       "  Decrypts into a temporary folder, checks every entry, wipes it and says OK.\n"},
      {"extract",
       {"message-file", "password", "password-file"},
       "usage: morvalis-pack extract PACKAGE DIR [--message-file FILE]\n"
       "  Writes the files into DIR (which must not exist) and the message text to FILE.\n"
       "  Every folder of the package is made, empty ones and recycle-bin folders\n"
       "  (Recycled, Recycler) too; the self-extractor leaves those out when it copies\n"
       "  the files to their target folder.\n"},
  };
  return commands;
}

// The ways a person asks for help: the long option, the short one, and
// the one Windows programs know.
bool IsHelpRequest(const std::string& argument) {
  return argument == "--help" || argument == "-h" || argument == "/?";
}

const CommandInfo* FindCommand(const std::string& name) {
  for (const CommandInfo& c : Commands()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

constexpr char kToolUsage[] =
    "usage: morvalis-pack COMMAND [ARGS...] [--help | -h | /?]\n"
    "       morvalis-pack --version\n"
    "Commands:\n"
    "  create   write a .mef container of files and folders\n"
    "  hide     hide a container in a BMP or WAV carrier\n"
    "  sfx      write a self-extractor (Windows or Linux stub)\n"
    "  list     list the entries of a package\n"
    "  test     decrypt a package into a temporary folder and check it\n"
    "  extract  decrypt a package into a folder\n"
    "Password (every command): --password-file FILE ('-' reads standard input),\n"
    "  --password TEXT (for scripts; other programs of the machine can see it in\n"
    "  the list of processes), otherwise a prompt without echo. A password is taken\n"
    "  as typed: the strong kind holds any character; the classic kind and carriers\n"
    "  only those of Windows-1252, and refuse the others (code 30).\n"
    "Text files (password, message, description, disclaimer): a byte-order mark is\n"
    "  honoured; without one, UTF-8 when the bytes are, else Windows-1252.\n"
    "Exit codes: 0 success, 1 failure, 2 usage error, 3 wrong password.\n";

}  // namespace

bool ParsePackOptions(const std::vector<std::string>& arguments, PackOptions* options, std::string* error) {
  size_t i = 0;
  for (; i < arguments.size(); ++i) {
    if (IsHelpRequest(arguments[i])) {
      options->help = true;
    } else if (arguments[i] == "--version") {
      options->version = true;
    } else {
      break;
    }
  }
  if (i == arguments.size()) {
    if (!options->help && !options->version) *error = "no command given";
    return options->help || options->version;
  }
  options->command = arguments[i++];
  const CommandInfo* info = FindCommand(options->command);
  if (info == nullptr) {
    *error = "unknown command '" + options->command + "'";
    return false;
  }
  bool options_done = false;
  for (; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (!options_done && arg == "--") {
      options_done = true;
      continue;
    }
    if (!options_done && IsHelpRequest(arg)) {
      options->help = true;
      continue;
    }
    if (options_done || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      options->positional.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2);
    std::string value;
    size_t eq = name.find('=');
    bool inline_value = eq != std::string::npos;
    if (inline_value) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    if (!inline_value && std::find(info->flags.begin(), info->flags.end(), name) != info->flags.end()) {
      options->values[name] = "";
      continue;
    }
    if (std::find(info->options.begin(), info->options.end(), name) == info->options.end()) {
      *error = "unknown option '--" + name + "' for " + options->command;
      return false;
    }
    if (!inline_value) {
      if (i + 1 >= arguments.size()) {
        *error = "option '--" + name + "' needs a value";
        return false;
      }
      value = arguments[++i];
    }
    options->values[name] = value;
  }
  return true;
}

bool CommandTakesOption(const std::string& command, const std::string& option) {
  const CommandInfo* info = FindCommand(command);
  return info != nullptr && (std::find(info->options.begin(), info->options.end(), option) != info->options.end() ||
                             std::find(info->flags.begin(), info->flags.end(), option) != info->flags.end());
}

std::string PackUsage(const std::string& command) {
  const CommandInfo* info = FindCommand(command);
  return info == nullptr ? kToolUsage : info->usage;
}

std::string PackVersion() { return std::string("morvalis-pack ") + MV_VERSION + " (Morvalis Self Extractor)\n"; }

}  // namespace mv::tools
