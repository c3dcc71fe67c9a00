#include "e2e/marl_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace marl_e2e {

const char* const FrozenTime = "2026-01-01 00:00:00";

namespace {

std::string quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

}  // namespace

TempFolder::TempFolder() {
  char name[] = "/tmp/marl-e2e-XXXXXX";
  if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
  path_ = name;
}

TempFolder::~TempFolder() {
  std::system(("chmod -R u+w " + quote(path_) + " 2>/dev/null; rm -rf " +
               quote(path_)).c_str());
}

std::vector<std::string> TempFolder::files() const {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path_.c_str())) {
    while (dirent* entry = readdir(dir)) {
      struct stat info;
      const std::string full = path_ + "/" + entry->d_name;
      if (stat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        names.push_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string TempFolder::read(const std::string& name) const {
  std::ifstream file(path_ + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void TempFolder::write(const std::string& name, const std::string& text) const {
  std::ofstream(path_ + "/" + name, std::ios::binary) << text;
}

RunResult runMarl(const TempFolder& folder,
                  const std::vector<std::string>& args, const char* time) {
  // Output files of the run itself live beside the pictures but are hidden
  // from files() by their leading dot.
  const std::string out = folder.path() + "/.stdout";
  const std::string err = folder.path() + "/.stderr";
  // libfaketime preloaded directly rather than through the faketime
  // wrapper, whose named semaphores, left behind by a wrapper that was
  // killed, make a later one with the same process number fail.
  std::string command = "cd " + quote(folder.path()) +
                        " && TZ=UTC LD_PRELOAD='/usr/$LIB/faketime/"
                        "libfaketime.so.1' FAKETIME=" +
                        quote(time) + " " + quote(MARL_BINARY);
  for (const std::string& arg : args) command += " " + quote(arg);
  command += " >" + quote(out) + " 2>" + quote(err) + " </dev/null";
  const int raw = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = folder.read(".stdout");
  result.err = folder.read(".stderr");
  std::remove(out.c_str());
  std::remove(err.c_str());
  return result;
}

MarlProcess::MarlProcess(const TempFolder& folder,
                         const std::vector<std::string>& args,
                         const Launch& launch)
    : folder_(folder) {
  static int serial = 0;
  ++serial;
  outName_ = ".out" + std::to_string(serial);
  errName_ = ".err" + std::to_string(serial);
  const std::string outPath = launch.standardOutput.empty()
                                  ? folder.path() + "/" + outName_
                                  : launch.standardOutput;
  const std::string errPath = folder.path() + "/" + errName_;
  std::string binary = launch.binary.empty() ? MARL_BINARY : launch.binary;
  // Everything exec needs is built before the fork.
  std::vector<char*> argv = {binary.data()};
  std::vector<std::string> words = args;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> settings;
  if (launch.frozenClock) {
    settings = {"LD_PRELOAD=/usr/$LIB/faketime/libfaketime.so.1",
                std::string("FAKETIME=") + FrozenTime, "TZ=UTC"};
  }
  if (!launch.preload.empty()) {
    if (settings.empty())
      settings.push_back("LD_PRELOAD=" + launch.preload);
    else
      settings[0] += " " + launch.preload;
  }
  std::vector<char*> envp;
  for (std::string& setting : settings) envp.push_back(setting.data());
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  envp.push_back(nullptr);

  pid_ = fork();
  if (pid_ != 0) return;
  const int in = open("/dev/null", O_RDONLY);
  const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0 || chdir(folder.path().c_str()) != 0)
    _exit(127);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  int ends[2];
  if (launch.closedPipe) {
    if (pipe(ends) != 0) _exit(127);
    close(ends[0]);
    dup2(ends[1], 1);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ, SIGPIPE})
    ::signal(signo, SIG_DFL);
  if (launch.fileSizeLimit >= 0) {
    const rlimit limit = {rlim_t(launch.fileSizeLimit),
                          rlim_t(launch.fileSizeLimit)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (launch.addressSpaceLimit >= 0) {
    const rlimit limit = {rlim_t(launch.addressSpaceLimit),
                          rlim_t(launch.addressSpaceLimit)};
    setrlimit(RLIMIT_AS, &limit);
  }
  execve(argv[0], argv.data(), envp.data());
  _exit(127);
}

MarlProcess::~MarlProcess() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &rawStatus_, 0);
  }
}

void MarlProcess::signal(int signo) {
  if (!ended_) kill(pid_, signo);
}

bool MarlProcess::halt() {
  if (ended_) return false;
  kill(pid_, SIGSTOP);
  int status = 0;
  if (waitpid(pid_, &status, WUNTRACED) != pid_) return false;
  if (WIFSTOPPED(status)) return true;
  rawStatus_ = status;
  ended_ = true;
  return false;
}

void MarlProcess::resume() {
  if (!ended_) kill(pid_, SIGCONT);
}

bool MarlProcess::ended() {
  if (!ended_) {
    const pid_t done = waitpid(pid_, &rawStatus_, WNOHANG);
    // An error means there is nothing left to wait for.
    ended_ = done < 0 || (done == pid_ &&
                          (WIFEXITED(rawStatus_) || WIFSIGNALED(rawStatus_)));
  }
  return ended_;
}

std::vector<std::string> MarlProcess::namesWithUnnamed() const {
  std::vector<std::string> names = folder_.files();
  char* const real = realpath(folder_.path().c_str(), nullptr);
  const std::string folder = real ? real : folder_.path();
  std::free(real);
  const std::string fds = "/proc/" + std::to_string(pid_) + "/fd";
  DIR* const listing = opendir(fds.c_str());
  if (!listing) return names;
  // An unnamed file shows as FOLDER/#INODE (deleted) among the links.
  const std::string unnamed = folder + "/#";
  const std::string deleted = " (deleted)";
  while (const dirent* entry = readdir(listing)) {
    char link[4096];
    const ssize_t n = readlink((fds + "/" + entry->d_name).c_str(), link,
                               sizeof link);
    const std::string target = n > 0 ? std::string(link, std::size_t(n)) : "";
    if (target.rfind(unnamed, 0) == 0 && target.size() > deleted.size() &&
        target.compare(target.size() - deleted.size(), deleted.size(),
                       deleted) == 0 &&
        target.find('/', unnamed.size()) == std::string::npos) {
      names.push_back(target.substr(folder.size() + 1,
                                    target.size() - deleted.size() -
                                        folder.size() - 1) +
                      ".tmp-unnamed");
    }
  }
  closedir(listing);
  std::sort(names.begin(), names.end());
  return names;
}

bool MarlProcess::waitForFiles(
    const std::function<bool(const std::vector<std::string>&)>& holds,
    std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  // Watched before the first look, so that no change goes unseen.
  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (watch >= 0)
    inotify_add_watch(watch, folder_.path().c_str(),
                      IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO);
  bool held = false;
  while (!(held = holds(namesWithUnnamed())) && !ended() &&
         std::chrono::steady_clock::now() < deadline) {
    // A change wakes it at once; the timeout is for noticing the end.
    pollfd ready = {watch, POLLIN, 0};
    poll(&ready, watch >= 0 ? 1 : 0, 20);
    char events[4096];
    while (watch >= 0 && read(watch, events, sizeof events) > 0) {
    }
  }
  if (watch >= 0) close(watch);
  return held;
}

RunResult MarlProcess::wait() {
  struct rusage usage {};
  while (!ended_) {
    if (wait4(pid_, &rawStatus_, 0, &usage) != pid_) break;
    ended_ = WIFEXITED(rawStatus_) || WIFSIGNALED(rawStatus_);
  }
  RunResult result;
  result.peakKilobytes = usage.ru_maxrss;
  result.status = WIFEXITED(rawStatus_) ? WEXITSTATUS(rawStatus_) : -1;
  result.signal = WIFSIGNALED(rawStatus_) ? WTERMSIG(rawStatus_) : 0;
  result.out = folder_.read(outName_);
  result.err = folder_.read(errName_);
  std::remove((folder_.path() + "/" + outName_).c_str());
  std::remove((folder_.path() + "/" + errName_).c_str());
  return result;
}

RunResult MarlProcess::waitAtMost(std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!ended() && std::chrono::steady_clock::now() < deadline) usleep(10000);
  if (!ended_) kill(pid_, SIGKILL);
  return wait();
}

bool matchesTranscript(const std::string& actual,
                       const std::string& expected) {
  if (actual.size() != expected.size()) return false;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (expected[i] == '#' ? !std::isdigit((unsigned char)actual[i])
                           : actual[i] != expected[i])
      return false;
  }
  return true;
}

std::string usageText() {
  return "\n"
         "example: >>marl.exe count=2, R0=100, G0=111, B0=54, it=100000000 ...\n"
         " or >>marl.exe -f filename\n"
         "--------------where:\n"
         "it=nnnnnnnn The iteration maximum, default = 200000000\n"
         "help or -h Prints these instructions and exits\n"
         "file=filename Reads input paramaters from each line of the file\n"
         "basename=basename The non-numeric part of the filename(s)\n"
         "R0=nnn the red value of the start color\n"
         "G0=nnn the green value of the start color\n"
         "B0=nnn the blue value of the start color\n"
         "R1=nnn the red value of the finish color\n"
         "G1=nnn the green value of the finish color\n"
         "B1=nnn the blue value of the finish color\n"
         "count=nnn how many images to produce, default = 1\n"
         "image=jpeg (jpeg, gif, tiff or bmp) image files, default = jpeg\n"
         "size=1024 The size of one side of the image in pixels, default=1200\n"
         "detail=6 The detail level, between 3 and 12, default=6\n"
         "--------------\n"
         "quazi=true Also output quazi-crystal tiling image, default=false\n"
         "qline=nn The quazi-crystal line count (5 to 42) defaut random\n"
         "qsize=nnnn The size of the quazi image in pixels, default varies\n"
         "qx=nnnn The quazi-crystal x view position (30 to qsize)) defaut random\n"
         "qy=nnnn The quazi-crystal y view position (30 to qsize)) defaut random\n"
         "qscale=zzz The quazi-crystal trapazoid seperation (0.01 to .1)) "
         "defaut random\n"
         "qsep=zzz The quazi-crystal view scaling (0.05 to 3.0)) defaut random\n"
         "----------------\n";
}

}  // namespace marl_e2e
