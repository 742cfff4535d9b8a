// The scripts of deploy/slurm on a real, one-node Slurm cluster started in a
// scratch folder: a class compared in four array jobs and merged by a fifth
// prints and writes the same bytes as one machine.
//
// Needs root (the daemons run as root, with their sockets, keys and state in
// the scratch folder) and Debian's slurm-wlm and munge; skips otherwise.
// Every daemon it starts is stopped again, also when a check fails, and dies
// with the test if the test is killed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/generate.h"
#include "tests/e2e/program_runner.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The full path of `name` on PATH or in the system folders, or "".
std::string find_program(const std::string& name) {
  std::string folders = env_or("PATH", "/usr/bin:/bin") + ":/usr/sbin:/sbin";
  std::istringstream list(folders);
  for (std::string folder; std::getline(list, folder, ':');) {
    const std::string path = folder + "/" + name;
    if (!folder.empty() && access(path.c_str(), X_OK) == 0) return path;
  }
  return "";
}

// A TCP port on the loopback that nothing listens on now.
int free_port() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "(missing: " + path + ")";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void write_file(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

// Polls `done` every 100 ms until it holds or `seconds` have passed.
bool wait_for(double seconds, const std::function<bool()>& done) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// Makes the test the parent of every process its children leave behind
// (slurmd starts a slurmstepd per job, which detaches), and on the way out
// waits for them all to end: nothing the test started outlives it.
class Orphans {
 public:
  Orphans() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
  ~Orphans() {
    const auto reaped_all = [] {
      while (waitpid(-1, nullptr, WNOHANG) > 0) {
      }
      return errno == ECHILD;
    };
    if (!wait_for(20, reaped_all)) {
      // Stragglers are killed; none is expected.
      ADD_FAILURE() << "processes started by the cluster still run";
      for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string stat = read_file(entry.path() / "stat");
        const std::size_t end = stat.rfind(')');
        if (end == std::string::npos) continue;
        std::istringstream fields(stat.substr(end + 2));
        std::string state;
        pid_t parent = 0;
        if (fields >> state >> parent && parent == getpid()) kill(std::stoi(entry.path().filename()), SIGKILL);
      }
      while (waitpid(-1, nullptr, 0) > 0) {
      }
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
  }
  Orphans(const Orphans&) = delete;
  Orphans& operator=(const Orphans&) = delete;
};

struct Output {
  int status = -1;   // -1 when it did not exit normally
  std::string text;  // standard output and error together
};

// The daemons and commands of the test cluster, all with one environment.
class Cluster {
 public:
  explicit Cluster(const std::map<std::string, std::string>& extra) {
    for (std::string& entry : program_environment(extra)) {
      // A test run inside a Slurm job must not pass that job's settings on.
      const bool foreign = (entry.starts_with("SLURM_") || entry.starts_with("SBATCH_") ||
                            entry.starts_with("SALLOC_")) &&
                           extra.count(entry.substr(0, entry.find('='))) == 0;
      if (!foreign) env_.push_back(std::move(entry));
    }
  }
  Cluster(const Cluster&) = delete;
  Cluster& operator=(const Cluster&) = delete;

  // Cancels what is still queued or running, then stops the daemons, last
  // started first: SIGTERM, up to ten seconds to exit, then SIGKILL.
  ~Cluster() {
    if (!scancel_.empty() && !jobs_.empty()) {
      std::vector<std::string> cancel = {scancel_};
      cancel.insert(cancel.end(), jobs_.begin(), jobs_.end());
      run(cancel, "/");
      wait_for(20, [&] { return run({squeue_, "-h"}, "/").text.empty(); });
    }
    for (std::size_t i = daemons_.size(); i-- > 0;) {
      if (!running(i)) continue;
      kill(daemons_[i], SIGTERM);
      if (!wait_for(10, [&] { return !running(i); })) {
        kill(daemons_[i], SIGKILL);
        waitpid(daemons_[i], nullptr, 0);
      }
    }
  }

  std::string squeue_, scancel_;   // set once found
  std::vector<std::string> jobs_;  // to cancel on the way out

  // Starts a daemon that stays in the foreground, its output to `log`.
  void start(std::vector<std::string> argv, const std::string& log) {
    const pid_t pid = spawn(argv, "/", log);
    ASSERT_GT(pid, 0) << argv[0];
    daemons_.push_back(pid);
    ended_.push_back(false);
  }

  // Whether the daemon started `index`-th still runs; once it has ended it
  // is reaped, and its pid never signalled again.
  bool running(std::size_t index) {
    if (!ended_.at(index) && waitpid(daemons_[index], nullptr, WNOHANG) != 0) ended_[index] = true;
    return !ended_[index];
  }

  // Runs a command in `dir` to its end; its standard error goes with its
  // output, or to the file `errors` if given.
  Output run(std::vector<std::string> argv, const std::string& dir, const std::string& errors = "") {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return {};
    const pid_t pid = spawn(argv, dir, errors, pipe_ends[1]);
    close(pipe_ends[1]);
    Output output;
    char buffer[4096];
    for (ssize_t n; (n = read(pipe_ends[0], buffer, sizeof buffer)) != 0;) {
      if (n > 0) output.text.append(buffer, static_cast<std::size_t>(n));
      else if (errno != EINTR) break;
    }
    close(pipe_ends[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) output.status = WEXITSTATUS(status);
    return output;
  }

 private:
  // Forks `argv` in `dir`, its output to `out_fd` if given, else to `log`,
  // its standard error to `log` if given. The child gets SIGTERM if the test
  // dies first.
  pid_t spawn(std::vector<std::string>& argv, const std::string& dir, const std::string& log,
              int out_fd = -1) {
    std::vector<std::string> env = env_;
    std::vector<char*> c_argv = c_strings(argv);
    std::vector<char*> c_env = c_strings(env);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(125);
    const int log_fd = log.empty() ? out_fd : open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int fd = out_fd >= 0 ? out_fd : log_fd;
    const int null = open("/dev/null", O_RDONLY);
    if (fd < 0 || log_fd < 0 || null < 0 || dup2(null, 0) < 0 || dup2(fd, 1) < 0 || dup2(log_fd, 2) < 0) {
      _exit(125);
    }
    exec_program(dir, false, c_argv.data(), c_env.data());
  }

  std::vector<std::string> env_;
  std::vector<pid_t> daemons_;
  std::vector<bool> ended_;
};

// The job id after "`label` job" in submit.sh's output, or "".
std::string job_id(const std::string& text, const std::string& label) {
  std::istringstream words(text);
  for (std::string word; words >> word;) {
    if (word == label && words >> word && word == "job" && words >> word) return word;
  }
  return "";
}

// The value of `key`=... in scontrol's one-line output, or "".
std::string field(const std::string& text, const std::string& key) {
  const std::size_t at = text.find(" " + key + "=");
  if (at == std::string::npos) return "";
  const std::size_t start = at + key.size() + 2;
  return text.substr(start, text.find_first_of(" \n", start) - start);
}

TEST(SlurmTest, AClassInFourShardsMergesAsOneMachine) {
  if (std::getenv("CODETWIN_RUNNER") != nullptr || std::getenv("CODETWIN_CLASS_BIN") != nullptr) {
    GTEST_SKIP() << "the program under test is run by CODETWIN_RUNNER or is CODETWIN_CLASS_BIN; "
                    "Slurm runs the build's own Linux program only";
  }
  if (geteuid() != 0) GTEST_SKIP() << "starting a Slurm cluster needs root";
  std::map<std::string, std::string> tools;
  for (const char* name : {"munged", "slurmctld", "slurmd", "sbatch", "sinfo", "squeue", "scontrol", "scancel"}) {
    tools[name] = find_program(name);
    if (tools[name].empty()) {
      GTEST_SKIP() << name << " not found: install slurm-wlm and munge (scripts/install-deps.sh test)";
    }
  }
  const auto started = Clock::now();

  ScratchDir scratch;
  const std::string root = scratch.path();
  const std::string work = root + "/work";  // the user's folder: the class, the reports
  for (const char* folder : {"state", "spool", "log"}) fs::create_directories(root + "/" + folder);

  // munge: a fresh key, only the owner may read it; its socket in scratch.
  std::string key(1024, '\0');
  std::random_device random;
  for (char& byte : key) byte = static_cast<char>(random());
  write_file(root + "/munge.key", key);
  fs::permissions(root + "/munge.key", fs::perms::owner_read);

  char host[256] = {};
  gethostname(host, sizeof host - 1);
  std::string node(host);
  node = node.substr(0, node.find('.'));  // slurmd knows itself by its short name

  // The node as slurmd finds it (cores, memory), at the loopback address.
  Cluster probe({});
  std::string hardware = probe.run({tools["slurmd"], "-C"}, "/").text;
  hardware = hardware.substr(0, hardware.find('\n'));
  if (!hardware.starts_with("NodeName=")) {
    hardware = "NodeName=" + node + " CPUs=" + std::to_string(std::thread::hardware_concurrency()) +
               " RealMemory=1000";
  }
  hardware.replace(0, hardware.find(' '), "NodeName=" + node + " NodeAddr=127.0.0.1");

  const int controller_port = free_port();
  int node_port = free_port();
  while (node_port == controller_port) node_port = free_port();
  const std::string conf = root + "/slurm.conf";
  write_file(conf,
             "ClusterName=codetwin\n"
             "SlurmctldHost=" + node + "(127.0.0.1)\n"
             "SlurmctldPort=" + std::to_string(controller_port) + "\n"
             "SlurmdPort=" + std::to_string(node_port) + "\n"
             "SlurmUser=root\nSlurmdUser=root\n"
             "AuthType=auth/munge\nCredType=cred/munge\n"
             "AuthInfo=socket=" + root + "/munge.socket\n"
             "StateSaveLocation=" + root + "/state\n"
             "SlurmdSpoolDir=" + root + "/spool\n"
             "SlurmctldPidFile=" + root + "/slurmctld.pid\n"
             "SlurmdPidFile=" + root + "/slurmd.pid\n"
             "SlurmctldLogFile=" + root + "/log/slurmctld.log\n"
             "SlurmdLogFile=" + root + "/log/slurmd.log\n"
             "ProctrackType=proctrack/linuxproc\nTaskPlugin=task/none\n"
             "SelectType=select/cons_tres\nSelectTypeParameters=CR_Core\n"
             "ReturnToService=2\nMpiDefault=none\nMailProg=/bin/true\n"
             // A merge whose shards failed is cancelled instead of waiting for ever.
             "DependencyParameters=kill_invalid_depend\n" +
             hardware + " State=UNKNOWN\n"
             "PartitionName=debug Nodes=ALL Default=YES MaxTime=INFINITE State=UP\n");

  const Orphans orphans;
  Cluster cluster({{"SLURM_CONF", conf},
                   {"LC_ALL", "C.UTF-8"},
                   {"PATH", env_or("PATH", "/usr/bin:/bin") + ":/usr/sbin:/sbin"}});
  cluster.squeue_ = tools["squeue"];
  cluster.scancel_ = tools["scancel"];
  // Slurm's logs, shown when a check fails.
  const auto logs = [&] {
    std::string text;
    for (const char* name : {"log/slurmctld.log", "log/slurmd.log", "log/munged.out", "log/slurmctld.out",
                             "log/slurmd.out", "log/one-machine.err"}) {
      text += std::string("--- ") + name + "\n" + read_file(root + "/" + name);
    }
    if (fs::exists(work + "/out/logs")) {
      for (const auto& entry : fs::directory_iterator(work + "/out/logs")) {
        text += "--- " + entry.path().string() + "\n" + read_file(entry.path());
      }
    }
    return text;
  };

  // --force: munged runs as root here, with its files under /tmp.
  cluster.start({tools["munged"], "--foreground", "--force", "--key-file=" + root + "/munge.key",
                 "--socket=" + root + "/munge.socket", "--pid-file=" + root + "/munged.pid",
                 "--log-file=" + root + "/log/munged.log", "--seed-file=" + root + "/munged.seed"},
                root + "/log/munged.out");
  ASSERT_TRUE(wait_for(20, [&] { return fs::exists(root + "/munge.socket") || !cluster.running(0); }));
  ASSERT_TRUE(cluster.running(0)) << logs();
  cluster.start({tools["slurmctld"], "-D", "-i"}, root + "/log/slurmctld.out");
  cluster.start({tools["slurmd"], "-D"}, root + "/log/slurmd.out");
  const bool idle = wait_for(60, [&] {
    return cluster.run({tools["sinfo"], "-h", "-o", "%T"}, "/").text == "idle\n" || !cluster.running(1) ||
           !cluster.running(2);
  });
  ASSERT_TRUE(idle && cluster.running(1) && cluster.running(2)) << logs();
  const double up_seconds = std::chrono::duration<double>(Clock::now() - started).count();

  // The class, and what one machine prints and writes for it.
  for (const bench::ClassSubmission& submission : bench::generate_class(41, 40)) {
    for (const bench::ClassFile& file : submission.files) write_file(work + "/class/" + file.name, file.source);
  }
  const std::vector<std::string> reports = {"pairs.csv", "pairs.json", "report.html"};
  fs::create_directories(work + "/out");
  // Options that read the class (the class file holds them) and one of the listing's.
  const Output one = cluster.run({CODETWIN_CLASS_BINARY, "--ignore-comments", "--common", "5", "class", "--top",
                                  "7", "--csv", "out/pairs.csv", "--json", "out/pairs.json", "--html",
                                  "out/report.html"},
                                 work, root + "/log/one-machine.err");
  ASSERT_EQ(one.status, 0) << read_file(root + "/log/one-machine.err");
  ASSERT_NE(one.text.find("已写入：out/report.html"), std::string::npos) << one.text;
  std::map<std::string, std::string> expected;
  for (const std::string& name : reports) expected[name] = read_file(work + "/out/" + name);
  fs::remove_all(work + "/out");

  // The same on the cluster, through the user's script, from the same folder.
  Cluster submitter({{"SLURM_CONF", conf},
                     {"LC_ALL", "C.UTF-8"},
                     {"CLASS", "class"},
                     {"SHARDS", "4"},
                     {"OPTIONS", "--ignore-comments --common 5"},
                     {"LIST_OPTIONS", "--top 7"},
                     {"OUT", "out"},
                     {"CPUS", "1"},
                     {"MEM", "200M"},
                     {"SBATCH_OPTIONS", "--partition=debug --time=10"},
                     {"CODETWIN_CLASS", CODETWIN_CLASS_BINARY}});
  const Output submit = submitter.run({"/bin/bash", CODETWIN_DEPLOY_SLURM "/submit.sh"}, work);
  ASSERT_EQ(submit.status, 0) << submit.text << logs();
  const std::string read_id = job_id(submit.text, "read:");
  const std::string array_id = job_id(submit.text, "shards:");
  const std::string merge_id = job_id(submit.text, "merge:");
  ASSERT_FALSE(read_id.empty() || array_id.empty() || merge_id.empty()) << submit.text;
  cluster.jobs_ = {read_id, array_id, merge_id};

  std::string state;
  wait_for(180, [&] {
    state = field(cluster.run({tools["scontrol"], "-o", "show", "job", merge_id}, "/").text, "JobState");
    return state != "PENDING" && state != "RUNNING" && state != "CONFIGURING" && state != "COMPLETING";
  });
  ASSERT_EQ(state, "COMPLETED") << logs();
  const double total_seconds = std::chrono::duration<double>(Clock::now() - started).count();

  EXPECT_TRUE(fs::exists(work + "/out/class.ctw"));
  for (int k = 0; k < 4; ++k) {
    EXPECT_TRUE(fs::exists(work + "/out/parts/part-" + std::to_string(k) + ".ctp")) << k;
  }
  EXPECT_TRUE(read_file(work + "/out/listing.txt") == one.text) << read_file(work + "/out/listing.txt");
  for (const std::string& name : reports) {
    EXPECT_TRUE(read_file(work + "/out/" + name) == expected[name]) << name;
  }
  std::cout << "Slurm up in " << up_seconds << " s; the whole run took " << total_seconds << " s\n";
}

}  // namespace
}  // namespace codetwin::testing
