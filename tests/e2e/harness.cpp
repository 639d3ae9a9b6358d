#include "e2e/harness.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarnavel::e2e {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "tarnavel-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  base_ = pattern;
  path_ = base_ + "/run";
  fs::create_directory(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(base_, ec);
}

void TempDir::Write(const std::string& name, const std::string& content) const {
  std::ofstream f(fs::path(path_) / name, std::ios::binary);
  f << content;
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream f(fs::path(path_) / name, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool TempDir::Exists(const std::string& name) const { return fs::exists(fs::path(path_) / name); }

std::string ReadTestData(const std::string& path) {
  std::ifstream f(std::string(TARNAVEL_SOURCE_DIR) + "/tests/data/" + path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::map<std::string, double> ReadReference(const std::string& text) {
  std::map<std::string, double> reference;
  for (const std::string& line : SplitLines(text)) {
    const auto tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    reference[line.substr(0, tab)] = std::stod(line.substr(tab + 1));
  }
  return reference;
}

FinalRow LastConcentrationRow(const std::string& conc_text) {
  FinalRow row;
  const auto lines = SplitLines(conc_text);
  if (lines.size() < 2) return row;
  std::istringstream head(lines.front()), last(lines.back());
  std::string title, value;
  std::getline(head, title, '\t');  // time
  if (!std::getline(last, value, '\t')) return row;
  row.time = std::stod(value);
  while (std::getline(head, title, '\t') && std::getline(last, value, '\t')) {
    const auto end = title.find_last_not_of(' ');
    if (end == std::string::npos) continue;
    row.values.emplace_back(title.substr(0, end + 1), std::stod(value));
  }
  return row;
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

void WriteSmallModel(const TempDir& dir) {
  dir.Write("PARM.DAT",
            "# TSTEP\tTSTEP2\tEa units\tConc. units\t-\n"
            "1.0E-10\t1\tJ\tMOL/L\t0\n"
            "298\tNO\t0\t0\t0\n"
            "0\t0\t0\t10\t0\n"
            "None1\t1\t1\t1.0E-8\t0\n"
            "0\t0\t0\t0\t0\n");
  dir.Write("SPECIES.DAT",
            "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tConstant\n"
            "A\t0\t1.0\tY\t0\tN\tN\n"
            "B\t0\t0\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT",
            "# k\treaction\n"
            "0.1\tA ==> B\n");
}

namespace {

ProgramResult Launch(const TempDir& dir, const std::vector<std::string>& args, const std::string& input,
                     const char* exe, bool drop_privileges) {
  const std::string in_path = dir.base() + "/stdin.txt";
  const std::string out_path = dir.base() + "/stdout.txt";
  {
    std::ofstream f(in_path, std::ios::binary);
    f << input;
  }
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Streams are opened before privileges are dropped: their directory
    // belongs to the test, not to the program under test.
    int in_fd = open(in_path.c_str(), O_RDONLY);
    int out_fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in_fd < 0 || out_fd < 0) _exit(127);
    dup2(in_fd, 0);
    dup2(out_fd, 1);
    dup2(out_fd, 2);
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    if (drop_privileges && geteuid() == 0) {
      constexpr uid_t kNobody = 65534;
      if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(126);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe, argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  ProgramResult result;
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  std::ifstream f(out_path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  result.out = s.str();
  result.lines = SplitLines(result.out);
  fs::remove(in_path);
  fs::remove(out_path);
  return result;
}

}  // namespace

ProgramResult RunIn(const TempDir& dir, const std::vector<std::string>& args, const std::string& input,
                    const char* exe) {
  return Launch(dir, args, input, exe, false);
}

ProgramResult RunInReadOnlyDir(const TempDir& dir, const std::vector<std::string>& args) {
  fs::permissions(dir.base(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                  fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  // The unprivileged user may not reach the build tree (a checkout under a
  // private home directory), so the program runs from a copy beside the
  // working directory.
  const std::string exe = dir.base() + "/tarnavel_large";
  fs::copy_file(kLargeExe, exe, fs::copy_options::overwrite_existing);
  fs::permissions(exe, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec);
  ProgramResult r = Launch(dir, args, "", exe.c_str(), true);
  fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::add);
  return r;
}

}  // namespace tarnavel::e2e
