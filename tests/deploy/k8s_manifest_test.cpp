// The Kubernetes manifests in deploy/k8s: a Job that reads the class once,
// an Indexed Job of shards and a merge Job. There is no cluster here, so
// the test reads the manifests and runs their containers' command lines in
// a scratch folder standing for the shared volume, each shard with its
// JOB_COMPLETION_INDEX, as the Jobs would; the merge's outputs must be one
// machine's, byte for byte.
#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "tests/e2e/program_runner.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;

const char* const kOutputs[] = {"out/pairs.csv", "out/pairs.json", "out/report.html"};

std::string quoted(const std::string& word) {
  std::string q(1, '\'');
  for (char c : word) {
    if (c == '\'') {
      q.append("'\\''");
    } else {
      q.push_back(c);
    }
  }
  q.push_back('\'');
  return q;
}

// Kubernetes' expansion of $(NAME) in a container's command and arguments.
std::string expanded(std::string word, const std::map<std::string, std::string>& env) {
  for (const auto& [name, value] : env) {
    const std::string reference = "$(" + name + ")";
    for (std::size_t at; (at = word.find(reference)) != std::string::npos;) {
      word.replace(at, reference.size(), value);
    }
  }
  return word;
}

std::vector<std::string> words(const YAML::Node& list) {
  std::vector<std::string> out;
  for (const YAML::Node& word : list) out.push_back(word.as<std::string>());
  return out;
}

struct Container {
  std::vector<std::string> command;  // command, then args
  std::string working_dir;
};

// The only container of a Job's pods, checked to work in the volume's root.
Container container_of(const YAML::Node& job) {
  const YAML::Node pod = job["spec"]["template"]["spec"];
  EXPECT_EQ(pod["containers"].size(), 1u);
  const YAML::Node c = pod["containers"][0];
  Container out;
  out.command = words(c["command"]);
  for (const std::string& arg : words(c["args"])) out.command.push_back(arg);
  out.working_dir = c["workingDir"].as<std::string>();
  EXPECT_EQ(c["volumeMounts"][0]["mountPath"].as<std::string>(), out.working_dir);
  return out;
}

// Runs `command` in `dir` with `env`, the build's codetwin-class first on
// the PATH; its standard output goes to `out` (relative to dir).
int run_in(const std::string& dir, const std::vector<std::string>& command,
           const std::map<std::string, std::string>& env, const std::string& out) {
  std::string line("cd ");
  line.append(quoted(dir)).append(" && PATH=").append(quoted(CODETWIN_CLASS_DIR)).append(":\"$PATH\"");
  for (const auto& [name, value] : env) line.append(" ").append(name).append("=").append(quoted(value));
  line.append(" LC_ALL=C.UTF-8");
  for (const std::string& word : command) line.append(" ").append(quoted(expanded(word, env)));
  line.append(" > ").append(quoted(out)).append(" 2>> ").append(quoted(dir + "/stderr.txt"));
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(K8sManifestTest, TheJobsCommandLinesWriteWhatOneMachineWrites) {
  if (!runner_words().empty() || std::getenv("CODETWIN_CLASS_BIN") != nullptr) {
    GTEST_SKIP() << "the manifests run the Linux build in a container";
  }
  const YAML::Node reader = YAML::LoadFile(CODETWIN_DEPLOY "/k8s/read.yaml");
  const YAML::Node shards = YAML::LoadFile(CODETWIN_DEPLOY "/k8s/shards.yaml");
  const YAML::Node merge = YAML::LoadFile(CODETWIN_DEPLOY "/k8s/merge.yaml");
  ASSERT_EQ(shards["kind"].as<std::string>(), "Job");
  ASSERT_EQ(shards["spec"]["completionMode"].as<std::string>(), "Indexed");
  const int n = shards["spec"]["completions"].as<int>();
  const Container read_class = container_of(reader);
  const Container shard = container_of(shards);
  const Container merger = container_of(merge);
  EXPECT_EQ(merger.working_dir, shard.working_dir);
  EXPECT_EQ(read_class.working_dir, shard.working_dir);

  // The shards' N is the Job's, and the run's options are the read Job's
  // less --save-class, and the shards' less their own and --from-class.
  std::vector<std::string> one_machine;
  std::string class_file;
  for (std::size_t k = 0; k < read_class.command.size(); ++k) {
    if (read_class.command[k] == "--save-class") {
      class_file = read_class.command[++k];
      continue;
    }
    one_machine.push_back(read_class.command[k]);
  }
  bool n_agrees = false;
  bool from_class = false;
  for (std::size_t k = 0; k < shard.command.size(); ++k) {
    if (k == 0) continue;  // the program, named by the read Job already
    if (shard.command[k] == "--from-class") {
      from_class = shard.command[k + 1] == class_file;
      ++k;
      continue;
    }
    if (shard.command[k] == "--shard" || shard.command[k] == "--part") {
      n_agrees |= shard.command[k] == "--shard" && shard.command[k + 1] == "task/" + std::to_string(n);
      ++k;
      continue;
    }
    one_machine.push_back(shard.command[k]);
  }
  EXPECT_TRUE(n_agrees) << "--shard task/N must say the Job's completions, " << n;
  EXPECT_TRUE(from_class) << "the shards must take the class from the read Job's file, " << class_file;

  ScratchDir volume;
  for (const bench::ClassSubmission& s : bench::generate_class(41, 30)) {
    for (const bench::ClassFile& file : s.files) {
      fs::create_directories(fs::path(volume.file("class/" + file.name)).parent_path());
      volume.write("class/" + file.name, file.source);
    }
  }
  for (const char* folder : {"parts", "out"}) fs::create_directories(volume.file(folder));

  ASSERT_EQ(run_in(volume.path(), one_machine, {}, "listing.txt"), 0) << read(volume.file("stderr.txt"));
  std::map<std::string, std::string> expected;
  for (const char* name : kOutputs) {
    expected[name] = read(volume.file(name));
    fs::remove(volume.file(name));
  }
  ASSERT_EQ(run_in(volume.path(), read_class.command, {}, "read.txt"), 0) << read(volume.file("stderr.txt"));
  EXPECT_TRUE(fs::exists(volume.file(class_file)));
  for (int k = 0; k < n; ++k) {
    const std::map<std::string, std::string> env = {{"JOB_COMPLETION_INDEX", std::to_string(k)}};
    ASSERT_EQ(run_in(volume.path(), shard.command, env, "shard.txt"), 0) << read(volume.file("stderr.txt"));
    EXPECT_TRUE(fs::exists(volume.file("parts/part-" + std::to_string(k) + ".ctp"))) << k;
  }
  ASSERT_EQ(run_in(volume.path(), merger.command, {}, "merge.txt"), 0) << read(volume.file("stderr.txt"));
  EXPECT_EQ(read(volume.file("out/listing.txt")), read(volume.file("listing.txt")));
  EXPECT_EQ(read(volume.file("merge.txt")), read(volume.file("listing.txt")));
  for (const char* name : kOutputs) {
    EXPECT_TRUE(read(volume.file(name)) == expected[name]) << name;
  }
}

}  // namespace
}  // namespace codetwin::testing
