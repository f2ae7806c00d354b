#include "LzhEncoder.h"

#include <algorithm>
#include <cstring>

#include "LzhFormat.h"

namespace {

const int kDictionary = kLzhDictionary;
const int kMinMatch = kLzhMinMatch;
const int kMaxMatch = kLzhMaxMatch;
const int kCharCount = kLzhCharCount;
const int kPositionCount = kLzhPositionCount;
const int kLengthCodeCount = kLzhLengthCodeCount;
const int kMaxCodeLength = kLzhMaxCodeLength;

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    // Most significant bit first.
    void Put(int n, uint32_t value) {
        for (int i = n - 1; i >= 0; --i) {
            acc_ = (uint8_t)(acc_ << 1 | ((value >> i) & 1));
            if (++fill_ == 8) {
                out_.push_back(acc_);
                acc_ = 0;
                fill_ = 0;
            }
        }
    }
    void Flush() {
        if (fill_) out_.push_back((uint8_t)(acc_ << (8 - fill_)));
        acc_ = 0;
        fill_ = 0;
    }

private:
    std::vector<uint8_t>& out_;
    uint8_t acc_ = 0;
    int fill_ = 0;
};

// Huffman code lengths of at most kMaxCodeLength bits. Zero frequency gives
// length 0. With fewer than two used symbols the caller writes a one-symbol
// code instead.
void MakeLengths(const uint32_t* freq, int count, uint8_t* lengths) {
    struct Node {
        uint64_t weight;
        int left, right;
    };
    std::vector<Node> nodes;
    std::vector<int> heap;
    auto cmp = [&](int a, int b) {
        return nodes[a].weight > nodes[b].weight || (nodes[a].weight == nodes[b].weight && a > b);
    };
    for (int i = 0; i < count; ++i) {
        lengths[i] = 0;
        if (freq[i]) {
            nodes.push_back({freq[i], -1, i});
            heap.push_back((int)nodes.size() - 1);
        }
    }
    if (heap.size() < 2) return;
    std::make_heap(heap.begin(), heap.end(), cmp);
    while (heap.size() > 1) {
        std::pop_heap(heap.begin(), heap.end(), cmp);
        int a = heap.back();
        heap.pop_back();
        std::pop_heap(heap.begin(), heap.end(), cmp);
        int b = heap.back();
        heap.pop_back();
        nodes.push_back({nodes[a].weight + nodes[b].weight, a, b});
        heap.push_back((int)nodes.size() - 1);
        std::push_heap(heap.begin(), heap.end(), cmp);
    }
    // Depth of each leaf; then limit the depth as zlib does and hand the
    // lengths back out, longest to the rarest symbols.
    std::vector<int> depth(nodes.size(), 0);
    int lengthCount[64] = {0};
    std::vector<int> leaves;
    for (int n = (int)nodes.size() - 1; n >= 0; --n) {
        if (nodes[n].left >= 0) {
            depth[nodes[n].left] = depth[n] + 1;
            depth[nodes[n].right] = depth[n] + 1;
        } else {
            lengthCount[std::min(depth[n], 63)]++;
            leaves.push_back(nodes[n].right);
        }
    }
    uint32_t total = 0;
    for (int len = kMaxCodeLength + 1; len < 64; ++len) {
        lengthCount[kMaxCodeLength] += lengthCount[len];
        lengthCount[len] = 0;
    }
    for (int len = 1; len <= kMaxCodeLength; ++len)
        total += (uint32_t)lengthCount[len] << (kMaxCodeLength - len);
    // Each step takes a leaf off the longest length and moves a shorter one
    // down a level next to a new sibling: one unit less, same leaf count.
    while (total > (1u << kMaxCodeLength)) {
        lengthCount[kMaxCodeLength]--;
        for (int len = kMaxCodeLength - 1; len > 0; --len)
            if (lengthCount[len]) {
                lengthCount[len]--;
                lengthCount[len + 1] += 2;
                break;
            }
        --total;
    }
    std::sort(leaves.begin(), leaves.end(),
              [&](int a, int b) { return freq[a] < freq[b] || (freq[a] == freq[b] && a < b); });
    size_t k = 0;
    for (int len = kMaxCodeLength; len >= 1; --len)
        for (int i = 0; i < lengthCount[len]; ++i) lengths[leaves[k++]] = (uint8_t)len;
}

// Canonical codes as the decoder's table builder assigns them: shorter codes
// first, equal lengths in symbol order.
void MakeCodes(const uint8_t* lengths, int count, uint16_t* codes) {
    uint32_t perLength[17] = {0};
    for (int i = 0; i < count; ++i) perLength[lengths[i]]++;
    perLength[0] = 0;
    uint32_t start[18];
    start[1] = 0;
    for (int i = 1; i <= 16; ++i) start[i + 1] = start[i] + (perLength[i] << (16 - i));
    for (int i = 0; i < count; ++i)
        if (lengths[i]) {
            codes[i] = (uint16_t)(start[lengths[i]] >> (16 - lengths[i]));
            start[lengths[i]] += 1u << (16 - lengths[i]);
        }
}

int PositionCode(uint32_t p) {
    int j = 0;
    while (p) {
        ++j;
        p >>= 1;
    }
    return j;
}

struct Symbol {
    uint16_t c;         // 0..255 literal, 256.. length - 3 + 256
    uint16_t position;  // distance - 1, for matches
};

int UsedCount(const uint32_t* freq, int count, int* only) {
    int used = 0;
    for (int i = 0; i < count; ++i)
        if (freq[i]) {
            ++used;
            *only = i;
        }
    return used;
}

void WritePositionLengths(BitWriter& bw, const uint8_t* lengths, int count, int width, int special) {
    int n = count;
    while (n > 0 && lengths[n - 1] == 0) --n;
    bw.Put(width, (uint32_t)n);
    int i = 0;
    while (i < n) {
        int k = lengths[i++];
        if (k <= 6)
            bw.Put(3, (uint32_t)k);
        else
            bw.Put(k - 3, (1u << (k - 3)) - 2);
        if (i == special) {
            while (i < 6 && lengths[i] == 0) ++i;
            bw.Put(2, (uint32_t)(i - 3) & 3);
        }
    }
}

// A code-length or position table: a single used symbol goes as a zero count
// and that symbol; otherwise real Huffman lengths follow in the table's form.
void WriteSmallTable(BitWriter& bw, const uint32_t* freq, int count, int width, int special, uint8_t* lengths,
                     uint16_t* codes) {
    int only = 0;
    if (UsedCount(freq, count, &only) < 2) {
        std::memset(lengths, 0, count);
        bw.Put(width, 0);
        bw.Put(width, (uint32_t)only);
    } else {
        MakeLengths(freq, count, lengths);
        MakeCodes(lengths, count, codes);
        WritePositionLengths(bw, lengths, count, width, special);
    }
}

// Run-length form of the character code lengths, as symbols of the
// code-length code: 0 one zero, 1 3-18 zeros, 2 20-531 zeros, n+2 length n.
template <typename Visit>
void WalkCharLengths(const uint8_t* lengths, int n, Visit visit) {
    int i = 0;
    while (i < n) {
        int k = lengths[i++];
        if (k == 0) {
            int run = 1;
            while (i < n && lengths[i] == 0) {
                ++i;
                ++run;
            }
            if (run <= 2) {
                for (int r = 0; r < run; ++r) visit(0, 0, 0);
            } else if (run <= 18) {
                visit(1, 4, (uint32_t)(run - 3));
            } else if (run == 19) {
                visit(0, 0, 0);
                visit(1, 4, 15);
            } else {
                visit(2, 9, (uint32_t)(run - 20));
            }
        } else {
            visit(k + 2, 0, 0);
        }
    }
}

void WriteBlock(BitWriter& bw, const std::vector<Symbol>& symbols) {
    uint32_t charFreq[kCharCount] = {0};
    uint32_t posFreq[kPositionCount] = {0};
    for (const Symbol& s : symbols) {
        charFreq[s.c]++;
        if (s.c >= 256) posFreq[PositionCode(s.position)]++;
    }
    bw.Put(16, (uint32_t)symbols.size());

    uint8_t charLength[kCharCount];
    uint16_t charCode[kCharCount];
    int onlyChar = 0;
    bool singleChar = UsedCount(charFreq, kCharCount, &onlyChar) < 2;
    if (singleChar) {
        std::memset(charLength, 0, sizeof charLength);
        bw.Put(5, 0);
        bw.Put(5, 0);
        bw.Put(9, 0);
        bw.Put(9, (uint32_t)onlyChar);
    } else {
        MakeLengths(charFreq, kCharCount, charLength);
        MakeCodes(charLength, kCharCount, charCode);
        int n = kCharCount;
        while (n > 0 && charLength[n - 1] == 0) --n;
        uint32_t lengthFreq[kLengthCodeCount] = {0};
        WalkCharLengths(charLength, n, [&](int sym, int, uint32_t) { lengthFreq[sym]++; });
        uint8_t lengthLength[kLengthCodeCount];
        uint16_t lengthCode[kLengthCodeCount];
        WriteSmallTable(bw, lengthFreq, kLengthCodeCount, 5, 3, lengthLength, lengthCode);
        bw.Put(9, (uint32_t)n);
        WalkCharLengths(charLength, n, [&](int sym, int extraBits, uint32_t extra) {
            if (lengthLength[sym]) bw.Put(lengthLength[sym], lengthCode[sym]);
            if (extraBits) bw.Put(extraBits, extra);
        });
    }

    uint8_t posLength[kPositionCount];
    uint16_t posCode[kPositionCount];
    WriteSmallTable(bw, posFreq, kPositionCount, 4, -1, posLength, posCode);

    for (const Symbol& s : symbols) {
        if (!singleChar) bw.Put(charLength[s.c], charCode[s.c]);
        if (s.c < 256) continue;
        int j = PositionCode(s.position);
        if (posLength[j]) bw.Put(posLength[j], posCode[j]);
        if (j > 1) bw.Put(j - 1, s.position & ((1u << (j - 1)) - 1));
    }
}

class MatchFinder {
public:
    MatchFinder(const uint8_t* data, size_t size, const LzhOptions& o)
        : data_(data), size_(size), options_(o), head_(1 << 15, -1), prev_(size ? size : 1, -1) {}

    void Insert(size_t pos) {
        if (pos + kMinMatch > size_) return;
        uint32_t h = Hash(pos);
        prev_[pos] = head_[h];
        head_[h] = (int64_t)pos;
    }

    // Longest match at `pos` within the dictionary; length 0 when none of at least 3.
    int Find(size_t pos, uint32_t* distance) const {
        if (pos + kMinMatch > size_) return 0;
        int limit = (int)std::min<size_t>(kMaxMatch, size_ - pos);
        int best = 0;
        int chain = options_.maxChain;
        for (int64_t cand = head_[Hash(pos)]; cand >= 0 && chain-- > 0; cand = prev_[cand]) {
            size_t dist = pos - (size_t)cand;
            if (dist > (size_t)kDictionary) break;
            if (dist == 0) continue;
            const uint8_t* a = data_ + cand;
            const uint8_t* b = data_ + pos;
            if (a[best] != b[best]) continue;
            int len = 0;
            while (len < limit && a[len] == b[len]) ++len;
            if (len > best) {
                best = len;
                *distance = (uint32_t)dist;
                if (len >= options_.niceLength || len == limit) break;
            }
        }
        return best >= kMinMatch ? best : 0;
    }

private:
    uint32_t Hash(size_t pos) const {
        return ((uint32_t)data_[pos] << 10 ^ (uint32_t)data_[pos + 1] << 5 ^ data_[pos + 2]) & 0x7FFF;
    }
    const uint8_t* data_;
    size_t size_;
    LzhOptions options_;
    std::vector<int64_t> head_;
    std::vector<int64_t> prev_;
};

}  // namespace

std::vector<uint8_t> CompressLzh(const uint8_t* data, size_t size, const LzhOptions& options) {
    std::vector<uint8_t> out;
    BitWriter bw(out);
    MatchFinder finder(data, size, options);
    std::vector<Symbol> block;
    uint32_t perBlock = std::min<uint32_t>(std::max<uint32_t>(options.blockSymbols, 1), 65535);
    auto emit = [&](Symbol s) {
        block.push_back(s);
        if (block.size() == perBlock) {
            WriteBlock(bw, block);
            block.clear();
        }
    };

    size_t pos = 0;
    uint32_t dist = 0;
    int len = size ? finder.Find(0, &dist) : 0;
    while (pos < size) {
        if (len >= kMinMatch) {
            // Lazy: a longer match one byte on wins over this one.
            uint32_t nextDist = 0;
            finder.Insert(pos);
            int nextLen = len < options.niceLength ? finder.Find(pos + 1, &nextDist) : 0;
            if (nextLen > len) {
                emit({data[pos], 0});
                ++pos;
                len = nextLen;
                dist = nextDist;
                continue;
            }
            emit({(uint16_t)(256 + len - kMinMatch), (uint16_t)(dist - 1)});
            for (size_t i = 1; i < (size_t)len; ++i) finder.Insert(pos + i);
            pos += (size_t)len;
        } else {
            finder.Insert(pos);
            emit({data[pos], 0});
            ++pos;
        }
        len = pos < size ? finder.Find(pos, &dist) : 0;
    }
    if (!block.empty()) WriteBlock(bw, block);
    bw.Flush();
    return out;
}
