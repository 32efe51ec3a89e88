#include "stores/backup_diff.h"

#include <algorithm>
#include <cstdint>

namespace moorkeep::BackupDiff {
namespace {

using Kind = Line::Kind;

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

// Beyond this many cells the middle is shown as removed, then added: a
// whole rewrite reads as well that way, and the table stays small.
constexpr std::size_t largestTable = std::size_t{1} << 22;

// Every line, as the longest common subsequence of the two middles pairs them.
void editMiddle(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                std::size_t from, std::size_t aEnd, std::size_t bEnd, std::vector<Line>& out) {
    const std::size_t n = aEnd - from;
    const std::size_t m = bEnd - from;
    if (n * m > largestTable) {
        for (std::size_t i = from; i < aEnd; ++i)
            out.push_back({Kind::removed, std::string(a[i])});
        for (std::size_t j = from; j < bEnd; ++j)
            out.push_back({Kind::added, std::string(b[j])});
        return;
    }
    // common[i][j]: the longest common subsequence of a[i..] and b[j..].
    std::vector<std::uint32_t> common((n + 1) * (m + 1), 0);
    auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            common[at(i, j)] = a[from + i] == b[from + j]
                                   ? common[at(i + 1, j + 1)] + 1
                                   : std::max(common[at(i + 1, j)], common[at(i, j + 1)]);
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[from + i] == b[from + j]) {
            out.push_back({Kind::same, std::string(a[from + i])});
            ++i, ++j;
        } else if (i < n && (j == m || common[at(i + 1, j)] >= common[at(i, j + 1)])) {
            out.push_back({Kind::removed, std::string(a[from + i++])});
        } else {
            out.push_back({Kind::added, std::string(b[from + j++])});
        }
    }
}

// Unchanged runs longer than the context on both sides become a gap.
std::vector<Line> trimmed(const std::vector<Line>& all, std::size_t context) {
    std::vector<bool> kept(all.size(), false);
    for (std::size_t k = 0; k < all.size(); ++k) {
        if (all[k].kind == Kind::same)
            continue;
        const std::size_t first = k >= context ? k - context : 0;
        const std::size_t last = std::min(all.size() - 1, k + context);
        std::fill(kept.begin() + static_cast<std::ptrdiff_t>(first),
                  kept.begin() + static_cast<std::ptrdiff_t>(last) + 1, true);
    }
    std::vector<Line> out;
    for (std::size_t k = 0; k < all.size(); ++k) {
        if (kept[k])
            out.push_back(all[k]);
        else if (out.empty() || out.back().kind != Kind::gap)
            out.push_back({Kind::gap, {}});
    }
    return out;
}

} // namespace

std::vector<Line> compare(std::string_view from, std::string_view to, std::size_t context) {
    const auto a = splitLines(from);
    const auto b = splitLines(to);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    if (head == a.size() && head == b.size())
        return {};
    std::vector<Line> all;
    for (std::size_t k = 0; k < head; ++k)
        all.push_back({Kind::same, std::string(a[k])});
    editMiddle(a, b, head, a.size() - tail, b.size() - tail, all);
    for (std::size_t k = a.size() - tail; k < a.size(); ++k)
        all.push_back({Kind::same, std::string(a[k])});
    return trimmed(all, context);
}

} // namespace moorkeep::BackupDiff
