// Bin completion: its packings are sound, and it finds one exactly when enumeration does.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "cut1d/bin_completion.h"

namespace {

// Whether the pieces fit into the bars, by trying every bar for every piece.
bool FitsByEnumeration(const BinCompletionJob& job)
{
    std::vector<int64_t> pieces;
    for (size_t t = 0; t < job.weights.size(); ++t)
        for (int32_t k = 0; k < job.counts[t]; ++k) pieces.push_back(job.weights[t]);
    std::vector<int64_t> room(static_cast<size_t>(job.bins), job.capacity);
    std::function<bool(size_t)> place = [&](size_t i) {
        if (i == pieces.size()) return true;
        for (auto& r : room) {
            if (r < pieces[i]) continue;
            r -= pieces[i];
            const bool ok = place(i + 1);
            r += pieces[i];
            if (ok) return true;
        }
        return false;
    };
    return place(0);
}

void ExpectSound(const BinCompletionJob& job, const BinCompletionResult& result)
{
    if (result.bins.empty()) return;
    ASSERT_LE(result.bins.size(), static_cast<size_t>(job.bins));
    std::vector<int32_t> placed(job.weights.size(), 0);
    for (const auto& bin : result.bins) {
        ASSERT_EQ(bin.size(), job.weights.size());
        int64_t used = 0;
        for (size_t t = 0; t < bin.size(); ++t) {
            used += bin[t] * job.weights[t];
            placed[t] += bin[t];
        }
        EXPECT_LE(used, job.capacity);
    }
    EXPECT_EQ(placed, job.counts);
}

TEST(BinCompletion, FindsAPackingExactlyWhenOneExists)
{
    int found = 0, impossible = 0;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        BinCompletionJob job;
        job.capacity = uniform(10, 40);
        const int types = uniform(1, 4);
        std::vector<int64_t> lengths;
        for (int t = 0; t < types; ++t) lengths.push_back(uniform(1, static_cast<int>(job.capacity)));
        std::sort(lengths.rbegin(), lengths.rend());
        lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
        int pieces = 0;
        for (int64_t l : lengths) {
            job.weights.push_back(l);
            job.counts.push_back(uniform(1, 3));
            pieces += job.counts.back();
        }
        // Around the length bound, where both answers occur.
        int64_t total = 0;
        for (size_t t = 0; t < job.weights.size(); ++t) total += job.weights[t] * job.counts[t];
        job.bins = static_cast<int32_t>(std::max<int64_t>(1, (total + job.capacity - 1) / job.capacity + uniform(-1, 1)));
        job.bins = std::min(job.bins, pieces);
        job.workLimit = 10000000;
        if (seed % 2 == 0) {
            // Random prices, scaled so that the most a bar can hold is worth 1.
            std::vector<double> best(static_cast<size_t>(job.capacity) + 1, 0.0);
            for (size_t t = 0; t < job.weights.size(); ++t) {
                job.prices.push_back(uniform(0, 100) / 100.0 * static_cast<double>(job.weights[t]));
                for (int32_t k = 0; k < job.counts[t]; ++k)
                    for (int64_t c = job.capacity; c >= job.weights[t]; --c)
                        best[static_cast<size_t>(c)] =
                            std::max(best[static_cast<size_t>(c)], best[static_cast<size_t>(c - job.weights[t])] + job.prices[t]);
            }
            const double most = std::max(best.back(), 1e-9);
            for (double& p : job.prices) p /= most;
        }
        SCOPED_TRACE(seed);
        int64_t work = 0;
        const BinCompletionResult result = PackIntoBins(job, work);
        const bool fits = FitsByEnumeration(job);
        EXPECT_EQ(!result.bins.empty(), fits);
        EXPECT_EQ(result.impossible, !fits);
        ExpectSound(job, result);
        found += fits ? 1 : 0;
        impossible += fits ? 0 : 1;
    }
    EXPECT_GT(found, 50);
    EXPECT_GT(impossible, 50);
}

TEST(BinCompletion, PerfectTripletsAndTheWorkLimit)
{
    // Triplets that fill 1000 exactly, shuffled into one multiset of lengths.
    std::mt19937 rng(7);
    std::map<int64_t, int32_t, std::greater<>> counts;
    for (int b = 0; b < 30; ++b) {
        const int a = std::uniform_int_distribution<int>(380, 490)(rng);
        const int c = std::uniform_int_distribution<int>(250, 1000 - a - 250)(rng);
        for (int l : {a, c, 1000 - a - c}) ++counts[l];
    }
    BinCompletionJob job;
    for (const auto& [l, n] : counts) {
        job.weights.push_back(l);
        job.counts.push_back(n);
    }
    job.capacity = 1000;
    job.bins = 30;
    job.workLimit = 5000000;
    int64_t work = 0;
    const BinCompletionResult result = PackIntoBins(job, work);
    ASSERT_EQ(result.bins.size(), 30u);
    ExpectSound(job, result);
    EXPECT_LE(work, job.workLimit + 1);

    // One bar fewer cannot hold them; a search cut short says neither yes nor no.
    job.bins = 29;
    work = 0;
    EXPECT_TRUE(PackIntoBins(job, work).impossible);
    job.bins = 30;
    job.workLimit = 10;
    work = 0;
    const BinCompletionResult cut = PackIntoBins(job, work);
    EXPECT_TRUE(cut.bins.empty());
    EXPECT_FALSE(cut.impossible);
}

}  // namespace
