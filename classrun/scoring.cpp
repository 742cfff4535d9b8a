// PairScorer: the pairs of a class on worker threads.
#include "classrun/scoring.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "classrun/pair_index.h"
#include "similarity/run_tiling.h"
#include "similarity/similarity.h"
#include "similarity/tiling_engine.h"

namespace codetwin::classrun {

namespace {

// The verdict counts only tiles of verdict::kRun characters or more, and the
// passes lay every tile of a length before any shorter one: tiling the code
// with this MinMatchLen lays the same long tiles, and saves the search for
// the short ones, which nothing reads.
constexpr int kVerdictMinMatchLen = static_cast<int>(verdict::kRun) - 1;

// The fewest pairs worth a thread of their own.
constexpr std::uint64_t kPairsPerThread = 32;

// A pair with its similarity, for ordering.
struct Scored {
  PairScore pair;
  float similarity;
};

// Similarity order: higher first, NaN last; then by X, then Y (name order).
bool ranks_before(const Scored& x, const Scored& y) {
  const bool x_nan = std::isnan(x.similarity);
  const bool y_nan = std::isnan(y.similarity);
  if (x_nan != y_nan) return y_nan;
  if (!x_nan && x.similarity != y.similarity) return x.similarity > y.similarity;
  if (x.pair.a != y.pair.a) return x.pair.a < y.pair.a;
  return x.pair.b < y.pair.b;
}

// Whether `score` with `partner` beats `held` for a submission's best.
bool beats(float score, std::uint32_t partner, const Closest& held) {
  if (held.partner == Closest::kNoPartner) return true;
  if (score != held.score) return score > held.score;
  return partner < held.partner;
}

void offer(Best& best, float score, std::uint32_t partner) {
  if (beats(score, partner, best.first)) {
    best.second = best.first;
    best.first = {score, partner};
  } else if (beats(score, partner, best.second)) {
    best.second = {score, partner};
  }
}

// One thread's tallies, on cache lines of their own so that two threads
// never write to one line.
struct alignas(64) Tally {
  PartialScores scores;         // its kept pairs: by threshold, or as they may have evidence
  std::size_t next_pruning = 0;
  std::vector<Scored> top;      // a heap: the worst of the best `top` first
};

std::size_t histogram_bin(float similarity) {
  const auto bin = static_cast<std::size_t>(static_cast<double>(similarity) * 100.0);
  return std::min<std::size_t>(bin, 99);
}

// A threshold given on the command line is met by a score whose exact
// quotient equals it: both are compared in single precision, as scores are.
bool at_least(float similarity, const std::optional<double>& threshold) {
  return threshold && similarity >= static_cast<float>(*threshold);
}

// Whether the listing keeps a pair for its similarity `s`.
bool kept_by_score(float s, const KeepRules& rules) {
  const bool listable = !rules.min || at_least(s, rules.min);
  return (rules.keep_all && listable) || at_least(s, rules.at_or_above);
}

bool may_have_evidence(const std::vector<Submission>& submissions,
                       const std::vector<verdict::Shares>& shares, const PairScore& pair) {
  return verdict::may_have_evidence(pair.shared, submissions[pair.a].profile,
                                    submissions[pair.b].profile, shares[pair.a], shares[pair.b]);
}

// Drops the kept pairs that `shares` show cannot have evidence.
void drop_without_evidence(std::vector<PairScore>& kept, const std::vector<Submission>& submissions,
                           const std::vector<verdict::Shares>& shares, const KeepRules& rules) {
  std::erase_if(kept, [&](const PairScore& pair) {
    const float s = similarity::similarity(pair.match_len, submissions[pair.a].length,
                                           submissions[pair.b].length);
    return !kept_by_score(s, rules) && !may_have_evidence(submissions, shares, pair);
  });
}

bool in_pair_order(const PairScore& x, const PairScore& y) {
  return x.a != y.a ? x.a < y.a : x.b < y.b;
}

bool same_pair(const PairScore& x, const PairScore& y) { return x.a == y.a && x.b == y.b; }

// What a submission's strings cost in a pair: each string it tiles.
std::uint64_t tiling_weight(const Submission& s) {
  return s.tokens.size() + (s.code_is_tokens ? 0 : s.code_tokens.size());
}

}  // namespace

std::uint64_t count_pairs(const std::vector<Submission>& submissions) {
  return PairIndex(submissions).total();
}

PairRange pair_slice(const std::vector<Submission>& submissions, std::uint32_t k, std::uint32_t n) {
  const PairIndex index(submissions);
  std::vector<std::uint64_t> weights;
  weights.reserve(submissions.size());
  for (const Submission& s : submissions) weights.push_back(tiling_weight(s));
  const std::uint64_t total = index.total_cost(weights, kPairSetUpCost);
  // Slice k starts where k/n of the cost is reached, computed without
  // overflow: total * k / n in two parts.
  auto start = [&](std::uint64_t slice) {
    if (slice == 0) return std::uint64_t{0};
    if (slice >= n) return index.total();
    const std::uint64_t cost = total / n * slice + total % n * slice / n;
    return index.pair_at_cost(cost, weights, kPairSetUpCost);
  };
  return {start(k), start(std::uint64_t{k} + 1)};
}

ScoreMerger::ScoreMerger(const std::vector<Submission>& submissions, const KeepRules& rules)
    : submissions_(submissions), rules_(rules), next_pruning_(rules.prune_from) {
  whole_.best.resize(submissions.size());
  whole_.shares.resize(submissions.size());
}

void ScoreMerger::add(PartialScores part) {
  whole_.pairs += part.pairs;
  whole_.suspected += part.suspected;
  whole_.not_a_number += part.not_a_number;
  whole_.listable += part.listable;
  for (std::size_t bin = 0; bin < whole_.histogram.size(); ++bin) {
    whole_.histogram[bin] += part.histogram[bin];
  }
  for (std::size_t k = 0; k < submissions_.size(); ++k) {
    for (const Closest& held : {part.best[k].first, part.best[k].second}) {
      if (held.partner != Closest::kNoPartner) offer(whole_.best[k], held.score, held.partner);
    }
    whole_.shares[k].merge(part.shares[k]);
  }
  whole_.kept.insert(whole_.kept.end(), part.kept.begin(), part.kept.end());
  whole_.top.insert(whole_.top.end(), part.top.begin(), part.top.end());
  // Which pairs a slice held for their evidence depends on the pairs it
  // met; with more shares known, fewer can have any.
  if (whole_.kept.size() >= next_pruning_) {
    drop_without_evidence(whole_.kept, submissions_, whole_.shares, rules_);
    next_pruning_ = std::max(rules_.prune_from, 2 * whole_.kept.size());
  }
  if (whole_.top.size() > 2 * rules_.top + 64) keep_best_top();
}

void ScoreMerger::keep_best_top() {
  std::vector<Scored> top;
  top.reserve(whole_.top.size());
  for (const PairScore& pair : whole_.top) {
    top.push_back({pair, similarity::similarity(pair.match_len, submissions_[pair.a].length,
                                                submissions_[pair.b].length)});
  }
  std::sort(top.begin(), top.end(), ranks_before);
  if (top.size() > rules_.top) top.resize(rules_.top);
  whole_.top.clear();
  for (const Scored& scored : top) whole_.top.push_back(scored.pair);
}

PartialScores ScoreMerger::take() {
  drop_without_evidence(whole_.kept, submissions_, whole_.shares, rules_);
  std::sort(whole_.kept.begin(), whole_.kept.end(), in_pair_order);
  keep_best_top();
  return std::move(whole_);
}

PartialScores merge_partial(std::vector<PartialScores> parts,
                            const std::vector<Submission>& submissions, const KeepRules& rules) {
  ScoreMerger merger(submissions, rules);
  for (PartialScores& part : parts) {
    merger.add(std::move(part));
    part = {};  // its memory goes now
  }
  return merger.take();
}

Scores finish(PartialScores whole, const KeepRules& rules) {
  Scores scores;
  scores.pairs = whole.pairs;
  scores.suspected = whole.suspected;
  scores.not_a_number = whole.not_a_number;
  scores.listable = whole.listable;
  scores.histogram = whole.histogram;
  scores.best = std::move(whole.best);
  scores.shares = std::move(whole.shares);
  scores.kept = std::move(whole.kept);
  const std::size_t top = std::min(whole.top.size(), rules.top);
  scores.kept.insert(scores.kept.end(), whole.top.begin(), whole.top.begin() + static_cast<std::ptrdiff_t>(top));
  std::sort(scores.kept.begin(), scores.kept.end(), in_pair_order);
  scores.kept.erase(std::unique(scores.kept.begin(), scores.kept.end(), same_pair), scores.kept.end());
  return scores;
}

struct PairScorer::State {
  State(const std::vector<Submission>& submissions, const KeepRules& rules, unsigned jobs,
        std::optional<PairRange> slice)
      : submissions(submissions),
        rules(rules),
        index(submissions),
        range(slice.value_or(PairRange{0, index.total()})),
        blocks(index, range.first, range.last) {
    const std::uint64_t pairs = range.last - range.first;
    const auto useful = static_cast<unsigned>(std::min<std::uint64_t>(pairs / kPairsPerThread + 1, 1024));
    tallies.resize(std::clamp(jobs, 1u, useful));
    for (Tally& tally : tallies) {
      tally.scores.best.resize(submissions.size());
      tally.scores.shares.resize(submissions.size());
      tally.next_pruning = rules.prune_from;
    }
    // Every thread meets nearly every string, and each thread's workspace
    // would keep an index of each one it meets, up to its budget: made once
    // and shared, they take a thread's share of the memory and none of its
    // time. A class too large for that leaves each workspace to keep its
    // own, as many as its budget holds.
    std::size_t characters = 0;
    for (const Submission& submission : submissions) {
      characters += indexed_length(submission.tokens);
      if (!submission.code_is_tokens) characters += indexed_length(submission.code_tokens);
    }
    if (characters <= tallies.size() * similarity::kIndexBudget) {
      indexes.resize(2 * submissions.size());
    }
  }

  // Whether the run method takes `s`: only then is an index of it made.
  static bool indexable(std::string_view s) { return s.size() <= similarity::kRunLimit; }

  // The characters of `s` that a shared index holds.
  static std::size_t indexed_length(std::string_view s) { return indexable(s) ? s.size() : 0; }

  // Builds the shared indexes, with the other threads: index i is
  // submission i's token string, index n + i its code where that differs.
  void build_indexes() {
    const std::size_t n = submissions.size();
    for (std::size_t k = next_index.fetch_add(1); k < indexes.size() && !stop.load();
         k = next_index.fetch_add(1)) {
      const Submission& submission = submissions[k % n];
      if (k >= n && submission.code_is_tokens) continue;
      const std::string_view s = k < n ? std::string_view(submission.tokens) : submission.code();
      if (indexable(s)) similarity::build_run_index(s, indexes[k], similarity::kWideGram);
    }
  }

  // Submission i's token string and its code, with their shared indexes
  // if there are any.
  similarity::IndexedString tokens_of(std::uint32_t i) const {
    const Submission& submission = submissions[i];
    return {submission.tokens, shared_index(i, submission.tokens)};
  }
  similarity::IndexedString code_of(std::uint32_t i) const {
    const Submission& submission = submissions[i];
    const std::size_t k = submission.code_is_tokens ? i : submissions.size() + i;
    return {submission.code(), shared_index(k, submission.code())};
  }
  const similarity::RunIndex* shared_index(std::size_t k, std::string_view s) const {
    if (indexes.empty() || !indexable(s)) return nullptr;
    return &indexes[k];
  }

  // Waits until every thread has finished building the shared indexes.
  // A mutex and condition variable rather than std::latch: the latch of
  // the MinGW runtime we ship for Windows can miss its wake-up and hang.
  void wait_for_indexes() {
    std::unique_lock<std::mutex> lock(mutex);
    if (++indexed == tallies.size()) {
      all_indexed.notify_all();
    } else {
      all_indexed.wait(lock, [this] { return indexed == tallies.size(); });
    }
  }

  void work(Tally& tally) {
    build_indexes();
    wait_for_indexes();
    // Both kept from pair to pair, and dropped before the thread ends.
    similarity::TilingWorkspace workspace;
    verdict::SharedCodeScratch scratch;
    for (;;) {
      const std::uint64_t block = next.fetch_add(1);
      if (block >= blocks.size() || stop.load()) break;
      std::uint64_t scored = 0;
      blocks.for_each_in(block, [&](std::uint32_t i, std::uint32_t j) {
        if (stop.load(std::memory_order_relaxed)) return false;
        score(workspace, scratch, tally, i, j);
        ++scored;
        return true;
      });
      done.fetch_add(scored);
    }
    std::lock_guard<std::mutex> lock(mutex);
    ++finished;
    all_finished.notify_all();
  }

  void score(similarity::TilingWorkspace& workspace, verdict::SharedCodeScratch& scratch,
             Tally& tally, std::uint32_t i, std::uint32_t j) {
    const Submission& x = submissions[i];
    const Submission& y = submissions[j];
    PartialScores& scores = tally.scores;
    PairScore pair{i, j, 0, {}};
    if (x.code_is_tokens && y.code_is_tokens) {
      pair.shared = verdict::shared_code(workspace.tiles(tokens_of(i), tokens_of(j), kMinMatchLen),
                                         x.profile, y.profile, scratch);
      pair.match_len = pair.shared.tiled;
    } else {
      pair.match_len = workspace.match_length(tokens_of(i), tokens_of(j), kMinMatchLen);
      pair.shared = verdict::shared_code(
          workspace.tiles(code_of(i), code_of(j), kVerdictMinMatchLen), x.profile, y.profile,
          scratch);
    }
    scores.shares[i].offer(verdict::coverage_of(pair.shared, x.profile), pair.shared.distinctive);
    scores.shares[j].offer(verdict::coverage_of(pair.shared, y.profile), pair.shared.distinctive);
    const float s = similarity::similarity(pair.match_len, x.length, y.length);
    ++scores.pairs;
    if (std::isnan(s)) {
      ++scores.not_a_number;
    } else {
      ++scores.histogram[histogram_bin(s)];
      if (is_suspected(s)) ++scores.suspected;
      offer(scores.best[i], s, j);
      offer(scores.best[j], s, i);
    }
    if (!rules.min || at_least(s, rules.min)) ++scores.listable;
    if (kept_by_score(s, rules)) {
      scores.kept.push_back(pair);
      return;
    }
    // A pair kept for its evidence may be dropped later: it stays a
    // candidate for the best by similarity too.
    if (rules.top > 0) keep_if_top(tally.top, {pair, s});
    if (rules.keep_evidence && may_have_evidence(submissions, scores.shares, pair)) {
      scores.kept.push_back(pair);
      if (scores.kept.size() >= tally.next_pruning) prune(tally);
    }
  }

  void prune(Tally& tally) {
    drop_without_evidence(tally.scores.kept, submissions, tally.scores.shares, rules);
    // Looking again when the kept pairs have doubled costs little next to
    // scoring the pairs that doubled them.
    tally.next_pruning = std::max(rules.prune_from, 2 * tally.scores.kept.size());
  }

  void keep_if_top(std::vector<Scored>& heap, const Scored& candidate) {
    if (heap.size() < rules.top) {
      heap.push_back(candidate);
      std::push_heap(heap.begin(), heap.end(), ranks_before);
    } else if (ranks_before(candidate, heap.front())) {
      std::pop_heap(heap.begin(), heap.end(), ranks_before);
      heap.back() = candidate;
      std::push_heap(heap.begin(), heap.end(), ranks_before);
    }
  }

  // The threads' tallies, merged in a fixed order.
  PartialScores merge() {
    std::vector<PartialScores> parts;
    for (Tally& tally : tallies) {
      for (const Scored& scored : tally.top) tally.scores.top.push_back(scored.pair);
      parts.push_back(std::move(tally.scores));
    }
    return merge_partial(std::move(parts), submissions, rules);
  }

  const std::vector<Submission>& submissions;
  const KeepRules rules;
  const PairIndex index;
  const PairRange range;
  const PairBlocks blocks;
  std::vector<Tally> tallies;
  // Shared by the threads once all have built their part; empty when not
  // shared.
  std::vector<similarity::RunIndex> indexes;
  std::atomic<std::size_t> next_index{0};
  std::vector<std::thread> threads;
  std::atomic<std::uint64_t> next{0};  // the next block
  std::atomic<std::uint64_t> done{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable all_finished;
  std::size_t finished = 0;
  std::condition_variable all_indexed;
  std::size_t indexed = 0;  // threads done with the shared indexes
};

PairScorer::PairScorer(const std::vector<Submission>& submissions, const KeepRules& rules,
                       unsigned jobs, std::optional<PairRange> range)
    : state_(std::make_unique<State>(submissions, rules, jobs, range)) {
  for (Tally& tally : state_->tallies) {
    state_->threads.emplace_back([this, &tally] { state_->work(tally); });
  }
}

PairScorer::~PairScorer() {
  cancel();
  for (std::thread& thread : state_->threads) thread.join();
}

bool PairScorer::wait(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  return state_->all_finished.wait_for(
      lock, timeout, [this] { return state_->finished == state_->tallies.size(); });
}

std::uint64_t PairScorer::total() const { return state_->range.last - state_->range.first; }
std::uint64_t PairScorer::done() const { return state_->done.load(); }
void PairScorer::cancel() { state_->stop.store(true); }

Scores PairScorer::take() { return finish(take_partial(), state_->rules); }

PartialScores PairScorer::take_partial() {
  for (std::thread& thread : state_->threads) thread.join();
  state_->threads.clear();
  return state_->merge();
}

Scores score_all(const std::vector<Submission>& submissions, const KeepRules& rules, unsigned jobs) {
  PairScorer scorer(submissions, rules, jobs);
  while (!scorer.wait(std::chrono::hours(1))) {
  }
  return scorer.take();
}

}  // namespace codetwin::classrun
