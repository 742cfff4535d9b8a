// PairScorer: the pairs of a class on worker threads.
#include "classrun/scoring.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "similarity/similarity.h"

namespace codetwin::classrun {

namespace {

// Pairs handed to a thread at a time: a few milliseconds of work, so that
// the counter is seldom contended and the last chunks still spread.
constexpr std::uint64_t kChunk = 32;

// The pairs in order: row i holds (i, j) for every partner j > i; an old
// submission's partners are the new ones only.
class PairIndex {
 public:
  explicit PairIndex(const std::vector<Submission>& submissions) {
    const std::size_t n = submissions.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (submissions[i].cohort == Cohort::kNew) new_ones_.push_back(static_cast<std::uint32_t>(i));
    }
    row_start_.resize(n + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t later = n - 1 - i;
      const std::uint64_t row = submissions[i].cohort == Cohort::kNew ? later : new_after(i);
      row_start_[i + 1] = row_start_[i] + row;
    }
  }

  std::uint64_t total() const { return row_start_.back(); }

  /// Calls f(i, j) for the pairs numbered [first, last).
  template <typename F>
  void for_each(std::uint64_t first, std::uint64_t last, const std::vector<Submission>& submissions,
                F&& f) const {
    auto row = std::upper_bound(row_start_.begin(), row_start_.end(), first) - row_start_.begin() - 1;
    std::uint64_t k = first;
    while (k < last) {
      const auto i = static_cast<std::uint32_t>(row);
      const std::uint64_t row_end = std::min(last, row_start_[row + 1]);
      const std::uint64_t offset = k - row_start_[row];
      if (submissions[i].cohort == Cohort::kNew) {
        for (std::uint64_t j = i + 1 + offset; k < row_end; ++j, ++k) {
          if (!f(i, static_cast<std::uint32_t>(j))) return;
        }
      } else {
        auto j = std::upper_bound(new_ones_.begin(), new_ones_.end(), i) + static_cast<std::ptrdiff_t>(offset);
        for (; k < row_end; ++j, ++k) {
          if (!f(i, *j)) return;
        }
      }
      ++row;
    }
  }

 private:
  std::uint64_t new_after(std::size_t i) const {
    return static_cast<std::uint64_t>(new_ones_.end() -
                                      std::upper_bound(new_ones_.begin(), new_ones_.end(), i));
  }

  std::vector<std::uint32_t> new_ones_;
  std::vector<std::uint64_t> row_start_;  // pairs before row i
};

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
  std::uint64_t pairs = 0;
  std::uint64_t suspected = 0;
  std::uint64_t not_a_number = 0;
  std::uint64_t listable = 0;
  Histogram histogram{};
  std::vector<Best> best;
  std::vector<verdict::Shares> shares;
  std::vector<PairScore> kept;  // by threshold, or as they may have evidence
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

}  // namespace

std::uint64_t count_pairs(const std::vector<Submission>& submissions) {
  return PairIndex(submissions).total();
}

struct PairScorer::State {
  State(const std::vector<Submission>& submissions, const KeepRules& rules, unsigned jobs)
      : submissions(submissions), rules(rules), index(submissions) {
    const std::uint64_t total = index.total();
    const auto useful = static_cast<unsigned>(std::min<std::uint64_t>(total / kChunk + 1, 1024));
    tallies.resize(std::clamp(jobs, 1u, useful));
    for (Tally& tally : tallies) {
      tally.best.resize(submissions.size());
      tally.shares.resize(submissions.size());
      tally.next_pruning = rules.prune_from;
    }
  }

  void work(Tally& tally) {
    similarity::TilingWorkspace workspace;
    const std::uint64_t total = index.total();
    for (;;) {
      const std::uint64_t first = next.fetch_add(kChunk);
      if (first >= total || stop.load()) break;
      const std::uint64_t last = std::min(total, first + kChunk);
      std::uint64_t scored = 0;
      index.for_each(first, last, submissions, [&](std::uint32_t i, std::uint32_t j) {
        if (stop.load(std::memory_order_relaxed)) return false;
        score(workspace, tally, i, j);
        ++scored;
        return true;
      });
      done.fetch_add(scored);
    }
    std::lock_guard<std::mutex> lock(mutex);
    ++finished;
    all_finished.notify_all();
  }

  void score(similarity::TilingWorkspace& workspace, Tally& tally, std::uint32_t i, std::uint32_t j) {
    const Submission& x = submissions[i];
    const Submission& y = submissions[j];
    PairScore pair{i, j, 0, {}};
    if (x.code_is_tokens && y.code_is_tokens) {
      pair.shared = verdict::shared_code(workspace.tiles(x.tokens, y.tokens, kMinMatchLen),
                                         x.profile, y.profile);
      pair.match_len = pair.shared.tiled;
    } else {
      pair.match_len = workspace.match_length(x.tokens, y.tokens, kMinMatchLen);
      pair.shared = verdict::shared_code(workspace.tiles(x.code(), y.code(), kMinMatchLen),
                                         x.profile, y.profile);
    }
    tally.shares[i].offer(verdict::coverage_of(pair.shared, x.profile), pair.shared.distinctive);
    tally.shares[j].offer(verdict::coverage_of(pair.shared, y.profile), pair.shared.distinctive);
    const float s = similarity::similarity(pair.match_len, x.length, y.length);
    ++tally.pairs;
    if (std::isnan(s)) {
      ++tally.not_a_number;
    } else {
      ++tally.histogram[histogram_bin(s)];
      if (is_suspected(s)) ++tally.suspected;
      offer(tally.best[i], s, j);
      offer(tally.best[j], s, i);
    }
    if (!rules.min || at_least(s, rules.min)) ++tally.listable;
    if (kept_by_score(s)) {
      tally.kept.push_back(pair);
      return;
    }
    // A pair kept for its evidence may be dropped later: it stays a
    // candidate for the best by similarity too.
    if (rules.top > 0) keep_if_top(tally.top, {pair, s});
    if (rules.keep_evidence && may_have_evidence(tally.shares, pair)) {
      tally.kept.push_back(pair);
      if (tally.kept.size() >= tally.next_pruning) prune(tally);
    }
  }

  // Whether the listing keeps a pair for its similarity `s`.
  bool kept_by_score(float s) const {
    const bool listable = !rules.min || at_least(s, rules.min);
    return (rules.keep_all && listable) || at_least(s, rules.at_or_above);
  }

  bool may_have_evidence(const std::vector<verdict::Shares>& shares, const PairScore& pair) const {
    return verdict::may_have_evidence(pair.shared, submissions[pair.a].profile,
                                      submissions[pair.b].profile, shares[pair.a], shares[pair.b]);
  }

  // Drops the kept pairs that `shares` show cannot have evidence.
  void drop_without_evidence(std::vector<PairScore>& kept, const std::vector<verdict::Shares>& shares) {
    std::erase_if(kept, [&](const PairScore& pair) {
      const float s = similarity::similarity(pair.match_len, submissions[pair.a].length,
                                             submissions[pair.b].length);
      return !kept_by_score(s) && !may_have_evidence(shares, pair);
    });
  }

  void prune(Tally& tally) {
    drop_without_evidence(tally.kept, tally.shares);
    // Looking again when the kept pairs have doubled costs little next to
    // scoring the pairs that doubled them.
    tally.next_pruning = std::max(rules.prune_from, 2 * tally.kept.size());
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

  Scores merge() {
    Scores scores;
    scores.best.resize(submissions.size());
    scores.shares.resize(submissions.size());
    std::vector<Scored> top;
    for (Tally& tally : tallies) {
      scores.pairs += tally.pairs;
      scores.suspected += tally.suspected;
      scores.not_a_number += tally.not_a_number;
      scores.listable += tally.listable;
      for (std::size_t bin = 0; bin < scores.histogram.size(); ++bin) {
        scores.histogram[bin] += tally.histogram[bin];
      }
      for (std::size_t k = 0; k < submissions.size(); ++k) {
        for (const Closest& held : {tally.best[k].first, tally.best[k].second}) {
          if (held.partner != Closest::kNoPartner) offer(scores.best[k], held.score, held.partner);
        }
        scores.shares[k].merge(tally.shares[k]);
      }
      scores.kept.insert(scores.kept.end(), tally.kept.begin(), tally.kept.end());
      top.insert(top.end(), tally.top.begin(), tally.top.end());
    }
    // Which pairs a thread held for their evidence depends on the order it
    // met them; with every share known, exactly those with evidence stay.
    drop_without_evidence(scores.kept, scores.shares);
    std::sort(top.begin(), top.end(), ranks_before);
    if (top.size() > rules.top) top.resize(rules.top);
    for (const Scored& scored : top) scores.kept.push_back(scored.pair);
    std::sort(scores.kept.begin(), scores.kept.end(), [](const PairScore& x, const PairScore& y) {
      return x.a != y.a ? x.a < y.a : x.b < y.b;
    });
    scores.kept.erase(std::unique(scores.kept.begin(), scores.kept.end(),
                                  [](const PairScore& x, const PairScore& y) {
                                    return x.a == y.a && x.b == y.b;
                                  }),
                      scores.kept.end());
    return scores;
  }

  const std::vector<Submission>& submissions;
  const KeepRules rules;
  const PairIndex index;
  std::vector<Tally> tallies;
  std::vector<std::thread> threads;
  std::atomic<std::uint64_t> next{0};
  std::atomic<std::uint64_t> done{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable all_finished;
  std::size_t finished = 0;
};

PairScorer::PairScorer(const std::vector<Submission>& submissions, const KeepRules& rules,
                       unsigned jobs)
    : state_(std::make_unique<State>(submissions, rules, jobs)) {
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

std::uint64_t PairScorer::total() const { return state_->index.total(); }
std::uint64_t PairScorer::done() const { return state_->done.load(); }
void PairScorer::cancel() { state_->stop.store(true); }

Scores PairScorer::take() {
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
