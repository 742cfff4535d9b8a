#include "bench/class_maker.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <system_error>

#include "bench/byte_files.h"
#include "bench/disguise.h"
#include "bench/generate.h"
#include "bench/partial_copy.h"

namespace codetwin::bench {

namespace {

// A partial copy's X should give close to half its code; one whose whole
// functions cannot come within this of half is passed over if another can.
constexpr double kShareLeast = 0.35;
constexpr double kShareMost = 0.65;
constexpr std::size_t kLeastNameDigits = 3;

std::uint64_t fnv1a(std::string_view s) {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
  return h;
}

// An entry before it has its new name: `copies` is an original's index.
struct Planned {
  std::size_t origin;
  std::string kind;
  std::optional<std::size_t> copies;
  std::string bytes;
};

std::vector<std::size_t> shuffled(std::size_t count, Rng& rng) {
  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), 0);
  for (std::size_t k = count; k > 1; --k) std::swap(order[k - 1], order[rng.below(k)]);
  return order;
}

std::string class_name(std::size_t number, std::size_t count) {
  std::string digits = std::to_string(number);
  const std::size_t width = std::max(kLeastNameDigits, std::to_string(count).size());
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return "s" + digits + ".c";
}

std::vector<Planned> plan(const std::vector<CorpusFile>& originals, Rng& rng) {
  const std::vector<std::size_t> order = shuffled(originals.size(), rng);
  const std::size_t plain = order[0], padded = order[1], extended = order[2], group = order[3];
  // X and Y: the first pair of the rest in which X's functions split near
  // half, with Y the next one.
  std::size_t x = order[4];
  std::size_t y = order[5];
  for (std::size_t k = 4; k + 1 < order.size(); ++k) {
    const double share = half_share(originals[order[k]].bytes, originals[order[k + 1]].bytes);
    if (share >= kShareLeast && share <= kShareMost) {
      x = order[k];
      y = order[k + 1];
      break;
    }
  }
  std::vector<Planned> entries;
  for (std::size_t i = 0; i < originals.size(); ++i) {
    if (i != y) entries.push_back({i, "original", std::nullopt, originals[i].bytes});
  }
  const auto source = [&](std::size_t i) -> std::string_view { return originals[i].bytes; };
  entries.push_back({plain, "plain", plain, disguise_plain(source(plain), rng.next())});
  entries.push_back({padded, "padded", padded, disguise_padded(source(padded), rng.next())});
  entries.push_back(
      {extended, "extended", extended, disguise_extended(source(extended), rng.next())});
  entries.push_back({y, "partial", x, disguise_partial(source(x), source(y), rng.next())});
  for (std::string& copy : disguise_group(source(group), rng.next())) {
    entries.push_back({group, "group", group, std::move(copy)});
  }
  return entries;
}

}  // namespace

std::vector<ClassEntry> make_class(const std::vector<CorpusFile>& originals,
                                   std::string_view exercise, std::uint64_t seed) {
  if (originals.size() < kOriginalsNeeded) return {};
  Rng rng(Rng(seed).next() ^ fnv1a(exercise));
  std::vector<Planned> planned = plan(originals, rng);
  const std::vector<std::size_t> numbers = shuffled(planned.size(), rng);
  std::vector<std::string> original_name(originals.size());
  for (std::size_t k = 0; k < planned.size(); ++k) {
    if (planned[k].kind == "original") {
      original_name[planned[k].origin] = class_name(numbers[k] + 1, planned.size());
    }
  }
  std::vector<ClassEntry> entries;
  for (std::size_t k = 0; k < planned.size(); ++k) {
    Planned& p = planned[k];
    entries.push_back({class_name(numbers[k] + 1, planned.size()), originals[p.origin].name, p.kind,
                       p.copies ? original_name[*p.copies] : "", std::move(p.bytes)});
  }
  std::sort(entries.begin(), entries.end(),
            [](const ClassEntry& a, const ClassEntry& b) { return a.name < b.name; });
  return entries;
}

std::string manifest_text(const std::vector<ClassEntry>& entries) {
  std::string text = "name\torigin\tkind\tcopies\n";
  for (const ClassEntry& e : entries) {
    text += e.name + '\t' + e.origin + '\t' + e.kind + '\t' + e.copies + '\n';
  }
  return text;
}

namespace {

namespace fs = std::filesystem;

struct Exercise {
  std::string name;
  std::vector<CorpusFile> files;
};

// The absolute form of `path` through its links, without a trailing "/".
fs::path resolved(const fs::path& path) {
  std::error_code error;
  fs::path p = fs::weakly_canonical(fs::absolute(path, error), error);
  if (p.has_relative_path() && p.filename().empty()) p = p.parent_path();
  return p;
}

bool is_inside(const fs::path& path, const fs::path& folder) {
  const fs::path p = resolved(path);
  const fs::path f = resolved(folder);
  auto [folder_end, path_at] = std::mismatch(f.begin(), f.end(), p.begin(), p.end());
  return folder_end == f.end();
}

bool read_exercises(const fs::path& corpus, std::vector<Exercise>& exercises, std::string* error) {
  std::error_code failure;
  std::vector<fs::path> folders;
  for (const fs::directory_entry& entry : fs::directory_iterator(corpus, failure)) {
    if (entry.is_directory(failure)) folders.push_back(entry.path());
  }
  if (failure) {
    *error = "cannot read the corpus " + corpus.string();
    return false;
  }
  std::sort(folders.begin(), folders.end());
  for (const fs::path& folder : folders) {
    Exercise exercise{folder.filename().string(), {}};
    std::vector<fs::path> sources;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, failure)) {
      if (entry.is_regular_file(failure) && entry.path().extension() == ".c") {
        sources.push_back(entry.path());
      }
    }
    std::sort(sources.begin(), sources.end());
    for (const fs::path& source : sources) {
      std::optional<std::string> bytes = read_bytes(source);
      if (!bytes) {
        *error = "cannot read " + source.string();
        return false;
      }
      exercise.files.push_back({source.filename().string(), std::move(*bytes)});
    }
    if (exercise.files.empty()) continue;
    if (exercise.files.size() < kOriginalsNeeded) {
      *error = folder.string() + " holds " + std::to_string(exercise.files.size()) +
               " C files; an exercise needs at least " + std::to_string(kOriginalsNeeded);
      return false;
    }
    exercises.push_back(std::move(exercise));
  }
  if (exercises.empty()) {
    *error = "no exercise folder with C files in " + corpus.string();
    return false;
  }
  return true;
}

bool check_outputs(const fs::path& corpus, const fs::path& out,
                   const std::vector<Exercise>& exercises, std::string* error) {
  if (is_inside(out, corpus)) {
    *error = out.string() + " lies inside the corpus " + corpus.string() +
             "; the corpus is never written to";
    return false;
  }
  for (const Exercise& exercise : exercises) {
    const fs::path folder = out / exercise.name;
    std::error_code failure;
    if (fs::exists(folder, failure) && !fs::is_empty(folder, failure)) {
      *error = folder.string() + " exists and is not empty; give a new or empty OUT_DIR";
      return false;
    }
  }
  return true;
}

bool write_class(const fs::path& out, const Exercise& exercise, std::uint64_t seed,
                 std::string* error) {
  const fs::path folder = out / exercise.name;
  std::error_code failure;
  fs::create_directories(folder, failure);
  if (failure) {
    *error = "cannot create " + folder.string();
    return false;
  }
  const std::vector<ClassEntry> entries = make_class(exercise.files, exercise.name, seed);
  for (const ClassEntry& entry : entries) {
    if (!write_bytes(folder / entry.name, entry.bytes)) {
      *error = "cannot write " + (folder / entry.name).string();
      return false;
    }
  }
  const fs::path manifest = out / (exercise.name + ".tsv");
  if (!write_bytes(manifest, manifest_text(entries))) {
    *error = "cannot write " + manifest.string();
    return false;
  }
  return true;
}

}  // namespace

bool write_classes(const fs::path& corpus, const fs::path& out, std::uint64_t seed,
                   std::string* error) {
  std::vector<Exercise> exercises;
  if (!read_exercises(corpus, exercises, error) || !check_outputs(corpus, out, exercises, error)) {
    return false;
  }
  for (const Exercise& exercise : exercises) {
    if (!write_class(out, exercise, seed, error)) return false;
  }
  return true;
}

}  // namespace codetwin::bench
