#include "image/jpeg_eighth.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "image/plane_resample.h"

namespace zarvek {
namespace {

// Bits of the data looked at at once to find a Huffman code: codes this
// short (nearly all of them) take one table look-up.
constexpr int kLook = 10;

// The advance of an AC entry that ends the block.
constexpr int kEndOfBlock = 64;

struct BlockTables;

// One Huffman table (JPEG's canonical codes, ITU T.81 annex C).
struct Huffman {
  bool defined = false;
  // Indexed by the next kLook bits of the data, for a code of at most kLook
  // bits; 0 for a longer code. A DC table holds (symbol << 5) | code length;
  // an AC table holds what skipping the coefficient takes: (advance in the
  // block << 5) | (code length + the coefficient's bits).
  std::array<std::uint16_t, 1 << kLook> fast{};
  // Longer codes, as the standard's decoder finds them: the largest code of
  // each length (-1 when none) and the offset from a code to its symbol.
  std::array<std::int32_t, 17> maxcode{};
  std::array<std::int32_t, 17> valoffset{};
  std::array<std::uint8_t, 256> symbols{};
  int count = 0;
  std::string key;  // the table as the file gives it, counts and symbols
  // AC tables only: see BlockTables.
  std::shared_ptr<const BlockTables> block;
};

// Bits looked at at once for a block's AC symbols, and for its DC value
// with them (kJointLook <= kBlockLook).
constexpr int kBlockLook = 14;
constexpr int kJointLook = 12;
constexpr std::uint16_t kBlockDone = 1 << 12;

// For an AC table, indexed by the next n bits after a block's DC value, for
// each n up to kBlockLook: the bits that all of the block's AC symbols
// take, up to and with its end (kBlockDone set); or, when its end does not
// come within them, the bits and the advance (<< 5) of the symbols that do.
struct BlockTables {
  std::vector<std::uint16_t> all;  // n = 0 to kBlockLook, one after another
  const std::uint16_t* bits(int n) const {
    return all.data() + ((std::size_t{1} << n) - 1);
  }
};

std::shared_ptr<const BlockTables> CachedBlockTables(const Huffman& ac);

// What skipping one AC symbol takes: packed as in Huffman::fast.
std::uint16_t AcSkip(int length, unsigned symbol) {
  const unsigned run = symbol >> 4;
  const unsigned bits = symbol & 15;
  unsigned advance;
  if (bits != 0) {
    advance = run + 1;
  } else {
    advance = run == 15 ? 16 : kEndOfBlock;  // sixteen zeros, or the end
  }
  return static_cast<std::uint16_t>(advance << 5 | (length + bits));
}

// Builds `h` from a DHT table's 16 counts and its symbols; false when the
// counts do not make a prefix code.
bool BuildHuffman(const std::uint8_t* counts, const std::uint8_t* symbols,
                  bool ac, Huffman* h) {
  *h = Huffman();
  int total = 0;
  for (int l = 0; l < 16; ++l) total += counts[l];
  if (total > 256) return false;
  std::copy(symbols, symbols + total, h->symbols.begin());
  h->count = total;
  std::int32_t code = 0;
  int k = 0;
  for (int l = 1; l <= 16; ++l) {
    h->valoffset[l] = k - code;
    for (int i = 0; i < counts[l - 1]; ++i, ++k, ++code) {
      if (code >= (std::int32_t{1} << l)) return false;
      if (l > kLook) continue;
      const unsigned symbol = h->symbols[k];
      const std::uint16_t entry =
          ac ? AcSkip(l, symbol) : static_cast<std::uint16_t>(symbol << 5 | l);
      const int first = code << (kLook - l);
      std::fill_n(h->fast.begin() + first, 1 << (kLook - l), entry);
    }
    h->maxcode[l] = counts[l - 1] != 0 ? code - 1 : -1;
    code <<= 1;
  }
  h->key.assign(reinterpret_cast<const char*>(counts), 16);
  h->key.append(reinterpret_cast<const char*>(symbols), total);
  if (ac) h->block = CachedBlockTables(*h);
  h->defined = true;
  return true;
}

// The canonical codes of a table, shortest first.
struct Code {
  std::uint32_t code;
  int length;
  unsigned symbol;
};
std::vector<Code> Codes(const Huffman& h) {
  std::vector<Code> codes;
  std::uint32_t code = 0;
  int k = 0;
  for (int l = 1; l <= 16; ++l, code <<= 1) {
    for (int i = 0; i < static_cast<std::uint8_t>(h.key[l - 1]); ++i) {
      codes.push_back({code++, l, h.symbols[k++]});
    }
  }
  return codes;
}

// The block tables of an AC table, those of n bits built from those of
// fewer: a pattern is its first symbol followed by a pattern of the bits
// left.
BlockTables BuildBlockTables(const Huffman& h) {
  BlockTables t;
  t.all.assign((std::size_t{1} << (kBlockLook + 1)) - 1, 0);
  const std::vector<Code> codes = Codes(h);
  for (int n = 1; n <= kBlockLook; ++n) {
    std::uint16_t* tn = t.all.data() + ((std::size_t{1} << n) - 1);
    for (const Code& c : codes) {
      if (c.length > n) break;
      const std::uint16_t skip = AcSkip(c.length, c.symbol);
      const int bits = skip & 31;
      const unsigned advance = skip >> 5;
      if (bits > n) continue;
      const std::size_t first = std::size_t{c.code} << (n - c.length);
      const std::size_t count = std::size_t{1} << (n - c.length);
      if (advance == kEndOfBlock) {
        std::fill_n(tn + first, count, kBlockDone | bits);
        continue;
      }
      const std::uint16_t* rest = t.bits(n - bits);
      const std::size_t mask = (std::size_t{1} << (n - bits)) - 1;
      for (std::size_t q = 0; q < count; ++q) {
        const std::uint16_t r = rest[q & mask];
        const unsigned total = advance + ((r >> 5) & 127);
        // Chained only while the block surely goes on; near its last
        // coefficient the symbol-by-symbol loop counts.
        tn[first + q] =
            total > 62 ? skip
                       : static_cast<std::uint16_t>(
                             (r & kBlockDone) | total << 5 | (bits + (r & 31)));
      }
    }
  }
  return t;
}

// The joint table of a block's DC and AC tables, indexed by the next
// kJointLook bits at the start of a block: (DC difference << 8) | 32 when
// the block's AC symbols end within them too | the bits taken (the DC
// code and difference, and the AC symbols when they end); 0 when the DC
// code and difference do not fit. Most blocks of a photo's chroma, and
// many of its luma, take a single look-up.
std::vector<std::int32_t> BuildJointTable(const Huffman& dc,
                                          const BlockTables& ac) {
  std::vector<std::int32_t> joint(std::size_t{1} << kJointLook, 0);
  for (const Code& c : Codes(dc)) {
    const int size = static_cast<int>(c.symbol);
    const int taken = c.length + size;
    if (size > 11 || taken > kJointLook) continue;
    const std::uint16_t* rest = ac.bits(kJointLook - taken);
    const std::size_t count = std::size_t{1} << (kJointLook - taken);
    for (int v = 0; v < (1 << size); ++v) {
      int diff = v;
      if (size != 0 && v < (1 << (size - 1))) diff -= (1 << size) - 1;
      const std::size_t first = static_cast<std::size_t>(c.code << size | v)
                                << (kJointLook - taken);
      for (std::size_t q = 0; q < count; ++q) {
        const std::uint16_t r = rest[q];
        joint[first + q] =
            diff * 256 + ((r & kBlockDone) ? 32 | (taken + (r & 31)) : taken);
      }
    }
  }
  return joint;
}

// Tables kept by the Huffman tables they come from, the last eight made:
// photos of one camera share their tables, and building them costs a
// fraction of a millisecond. One cache for all threads (the photo report
// reads on two), not one per thread, whose storage Windows builds do not
// free reliably when a thread ends.
template <typename T>
std::shared_ptr<const T> Cached(const std::string& key,
                                const std::function<T()>& build) {
  static std::mutex mutex;
  static std::vector<std::pair<std::string, std::shared_ptr<const T>>> cache;
  std::lock_guard<std::mutex> lock(mutex);
  for (std::size_t i = 0; i < cache.size(); ++i) {
    if (cache[i].first == key) {
      std::rotate(cache.begin(), cache.begin() + i, cache.begin() + i + 1);
      return cache.front().second;
    }
  }
  auto made = std::make_shared<const T>(build());
  if (cache.size() == 8) cache.pop_back();
  cache.insert(cache.begin(), {key, made});
  return made;
}

std::shared_ptr<const BlockTables> CachedBlockTables(const Huffman& ac) {
  return Cached<BlockTables>(ac.key, [&] { return BuildBlockTables(ac); });
}

std::shared_ptr<const std::vector<std::int32_t>> CachedJointTable(
    const Huffman& dc, const Huffman& ac) {
  return Cached<std::vector<std::int32_t>>(
      dc.key + ac.key, [&] { return BuildJointTable(dc, *ac.block); });
}

// The entropy-coded data, most significant bit first, with the stuffed
// zero after each 0xFF taken out. At a marker (or the end of the file) it
// goes on with zero bits and counts them, so that data that runs into a
// marker can be told from data that ends on time.
class BitReader {
 public:
  BitReader(const std::uint8_t* p, const std::uint8_t* end)
      : p_(p), end_(end) {}

  // At least 56 bits in the buffer.
  void Fill() {
    if (count_ >= 56) return;
    // Eight bytes with no 0xFF among them (nearly always) go in at once.
    if (end_ - p_ >= 8 && !at_marker_) {
      std::uint64_t word;
      std::memcpy(&word, p_, 8);
      if constexpr (std::endian::native == std::endian::little) {
        word = __builtin_bswap64(word);
      }
      const std::uint64_t inverted = ~word;
      if (((inverted - 0x0101010101010101u) & ~inverted &
           0x8080808080808080u) == 0) {
        const int n = (63 - count_) >> 3;
        buffer_ |= (word >> (64 - 8 * n)) << (64 - 8 * n - count_);
        p_ += n;
        count_ += 8 * n;
        return;
      }
    }
    while (count_ < 56) {
      unsigned byte = 0;
      if (!at_marker_ && p_ < end_) {
        byte = *p_;
        if (byte != 0xFF) {
          ++p_;
        } else {
          const std::uint8_t* q = p_ + 1;
          while (q < end_ && *q == 0xFF) ++q;  // fill bytes
          if (q < end_ && *q == 0) {
            p_ = q + 1;  // a stuffed 0xFF
          } else {
            p_ = q - 1;  // the 0xFF of a marker, or the end
            at_marker_ = true;
            byte = 0;
            padded_ += 8;
          }
        }
      } else {
        padded_ += 8;
      }
      buffer_ |= static_cast<std::uint64_t>(byte) << (56 - count_);
      count_ += 8;
    }
  }

  int count() const { return count_; }
  // `n` bits, 1 to 32, not taken.
  std::uint32_t Peek(int n) const {
    return static_cast<std::uint32_t>(buffer_ >> (64 - n));
  }
  void Drop(int n) {
    buffer_ <<= n;
    count_ -= n;
  }
  // True when some of the zeros given after the data were taken as data.
  bool Overran() const { return padded_ > count_; }

  // Passes the restart marker RSTn, n = `index`, which must follow the
  // data at once (after the fill bits of its last byte).
  bool Restart(int index) {
    Fill();
    const int left = count_ - padded_;
    if (!at_marker_ || left < 0 || left > 7 || end_ - p_ < 2 || p_[0] != 0xFF ||
        p_[1] != 0xD0 + index) {
      return false;
    }
    p_ += 2;
    buffer_ = 0;
    count_ = 0;
    padded_ = 0;
    at_marker_ = false;
    return true;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
  std::uint64_t buffer_ = 0;
  int count_ = 0;
  int padded_ = 0;
  bool at_marker_ = false;
};

// A code longer than kLook bits: its length and symbol; false when the bits
// are no code of the table.
bool SlowDecode(const Huffman& h, const BitReader& bits, int* length,
                unsigned* symbol) {
  for (int l = kLook + 1; l <= 16; ++l) {
    const std::int32_t code = static_cast<std::int32_t>(bits.Peek(l));
    if (code <= h.maxcode[l]) {
      const std::int32_t at = code + h.valoffset[l];
      if (at < 0 || at >= h.count) return false;
      *length = l;
      *symbol = h.symbols[at];
      return true;
    }
  }
  return false;
}

struct Component {
  int id = 0;
  int h = 1;  // sampling factors
  int v = 1;
  int quant = 0;
  const Huffman* dc = nullptr;
  const Huffman* ac = nullptr;
  std::shared_ptr<const std::vector<std::int32_t>> joint;  // of dc and ac
  int dc_quant = 0;  // the DC entry of its quantization table
  int blocks_w = 0;  // blocks stored, padding included
  int blocks_h = 0;
  int visible_w = 0;  // blocks that hold the picture
  int visible_h = 0;
  std::int32_t prediction = 0;
  std::vector<std::uint8_t> samples;  // one per block: its average
};

// The DC difference of a block whose code or difference is too long for
// the joint table: the rare case, kept out of the block's own loop.
bool SlowDcDifference(const Component& c, BitReader& bits, std::int32_t* diff) {
  int length;
  unsigned size;
  if (const std::uint16_t f = c.dc->fast[bits.Peek(kLook)]; f != 0) {
    length = f & 31;
    size = f >> 5;
  } else if (!SlowDecode(*c.dc, bits, &length, &size)) {
    return false;
  }
  bits.Drop(length);
  if (size > 11) return false;  // no 8-bit DC difference is that large
  *diff = 0;
  if (size != 0) {
    *diff = static_cast<std::int32_t>(bits.Peek(static_cast<int>(size)));
    bits.Drop(static_cast<int>(size));
    if (*diff < (1 << (size - 1))) *diff -= (1 << size) - 1;
  }
  return true;
}

// Reads one block of `c` at (bx, by): its DC value becomes the block's
// sample; its AC coefficients are passed over.
bool DecodeBlock(Component& c, BitReader& bits, int bx, int by) {
  if (bits.count() < 32) bits.Fill();
  std::int32_t diff;
  int length;
  const std::int32_t joint = (*c.joint)[bits.Peek(kJointLook)];
  if (joint != 0) {
    bits.Drop(joint & 31);
    diff = joint >> 8;
  } else if (!SlowDcDifference(c, bits, &diff)) {
    // A long code, or a long difference, that does not decode.
    return false;
  }
  c.prediction += diff;
  if (c.prediction > (1 << 20) || c.prediction < -(1 << 20)) return false;
  // The 1 x 1 inverse transform: the dequantized DC over 8, level-shifted.
  const std::int64_t value =
      ((static_cast<std::int64_t>(c.prediction) * c.dc_quant + 4) >> 3) + 128;
  c.samples[static_cast<std::size_t>(by) * c.blocks_w + bx] =
      static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
  if (joint & 32) return true;  // its AC symbols went with it

  // The AC symbols, as many at once as the block table holds.
  const std::uint16_t* block = c.ac->block->bits(kBlockLook);
  const std::uint16_t* fast = c.ac->fast.data();
  for (int k = 1;;) {
    if (bits.count() < 32) bits.Fill();
    std::uint32_t e = block[bits.Peek(kBlockLook)];
    const int advance = static_cast<int>((e >> 5) & 127);
    if ((e & 31) != 0 && k + advance <= ((e & kBlockDone) ? 63 : 64)) {
      bits.Drop(static_cast<int>(e & 31));
      k += advance;
      if ((e & kBlockDone) || k >= 64) break;
      continue;
    }
    // One symbol: a long code, or near the block's last coefficient.
    e = fast[bits.Peek(kLook)];
    if (e == 0) {
      unsigned symbol;
      if (!SlowDecode(*c.ac, bits, &length, &symbol)) return false;
      e = AcSkip(length, symbol);
    }
    bits.Drop(static_cast<int>(e & 31));
    k += static_cast<int>(e >> 5);
    if (k >= 64) break;
  }
  return true;
}

std::uint16_t Be16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

// YCbCr to RGB by table, as JFIF defines it in 16-bit fixed point: what
// each chroma value adds to each colour (green's two parts unrounded).
struct ColourTables {
  std::array<int, 256> cr_r, cb_b, cr_g, cb_g;
  ColourTables() {
    for (int v = 0; v < 256; ++v) {
      const int c = v - 128;
      cr_r[v] = (91881 * c + 32768) >> 16;
      cb_b[v] = (116130 * c + 32768) >> 16;
      cr_g[v] = -46802 * c;
      cb_g[v] = -22554 * c + 32768;
    }
  }
};

std::uint8_t Clamp255(int v) {
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// What the headers before the scan say.
struct Frame {
  int width = 0;
  int height = 0;
  int restart_interval = 0;
  std::vector<Component> components;
  std::unique_ptr<std::array<Huffman, 8>> tables;  // DC 0-3, AC 4-7
  const std::uint8_t* scan = nullptr;              // the entropy-coded data
  const std::uint8_t* end = nullptr;
};

// What the tables before the scan say beside the frame: each quantization
// table's DC entry, and the Adobe segment's colour transform.
struct TableState {
  std::array<int, 4> dc_quant{};
  std::array<bool, 4> quant_defined{};
  int adobe_transform = -1;
};

// A frame header (SOF0/SOF1: baseline or extended sequential, Huffman
// coded) from `s` to `s_end`.
bool ReadFrameHeader(const std::uint8_t* s, const std::uint8_t* s_end,
                     Frame* f) {
  if (!f->components.empty() || s_end - s < 6 || s[0] != 8) return false;
  f->height = Be16(s + 1);
  f->width = Be16(s + 3);
  const int n = s[5];
  if (f->width == 0 || f->height == 0 || (n != 1 && n != 3) ||
      s_end - s < 6 + 3 * n) {
    return false;
  }
  for (int i = 0; i < n; ++i) {
    Component c;
    c.id = s[6 + 3 * i];
    c.h = s[7 + 3 * i] >> 4;
    c.v = s[7 + 3 * i] & 15;
    c.quant = s[8 + 3 * i];
    if (c.h < 1 || c.h > 2 || c.v < 1 || c.v > 2 || c.quant > 3) {
      return false;
    }
    f->components.push_back(c);
  }
  return true;
}

// A DHT segment: Huffman tables.
bool ReadHuffmanTables(const std::uint8_t* s, const std::uint8_t* s_end,
                       Frame* f) {
  while (s < s_end) {
    if (s_end - s < 17) return false;
    const int cls = s[0] >> 4, id = s[0] & 15;
    if (cls > 1 || id > 3) return false;
    int total = 0;
    for (int l = 1; l <= 16; ++l) total += s[l];
    if (s_end - s < 17 + total ||
        !BuildHuffman(s + 1, s + 17, cls == 1, &(*f->tables)[cls * 4 + id])) {
      return false;
    }
    s += 17 + total;
  }
  return true;
}

// A DQT segment: only each table's DC entry counts.
bool ReadQuantTables(const std::uint8_t* s, const std::uint8_t* s_end,
                     TableState* t) {
  while (s < s_end) {
    const int precision = s[0] >> 4, id = s[0] & 15;
    const int size = precision == 0 ? 64 : 128;
    if (precision > 1 || id > 3 || s_end - s < 1 + size) return false;
    t->dc_quant[id] = precision == 0 ? s[1] : Be16(s + 1);
    t->quant_defined[id] = true;
    s += 1 + size;
  }
  return true;
}

// The scan header: one scan must hold every component, with tables
// defined, over the whole spectrum, in YCbCr or grey.
bool ReadScanHeader(const std::uint8_t* s, const std::uint8_t* s_end,
                    const TableState& t, Frame* f) {
  const int n = s_end - s >= 1 ? s[0] : 0;
  if (f->components.empty() || n != static_cast<int>(f->components.size()) ||
      s_end - s < 4 + 2 * n) {
    return false;  // one scan must hold every component
  }
  for (int i = 0; i < n; ++i) {
    Component& c = f->components[i];
    const int td = s[2 + 2 * i] >> 4, ta = s[2 + 2 * i] & 15;
    if (s[1 + 2 * i] != c.id || td > 3 || ta > 3 || !(*f->tables)[td].defined ||
        !(*f->tables)[4 + ta].defined || !t.quant_defined[c.quant]) {
      return false;
    }
    c.dc = &(*f->tables)[td];
    c.ac = &(*f->tables)[4 + ta];
    c.joint = CachedJointTable(*c.dc, *c.ac);
    c.dc_quant = t.dc_quant[c.quant];
  }
  const std::uint8_t* spectral = s + 1 + 2 * n;
  if (spectral[0] != 0 || spectral[1] != 63 || spectral[2] != 0) {
    return false;
  }
  if (n == 3 && (t.adobe_transform == 0 ||
                 (f->components[0].id == 'R' && f->components[1].id == 'G' &&
                  f->components[2].id == 'B'))) {
    return false;  // RGB, not YCbCr
  }
  return true;
}

// Reads the headers up to the scan into `f`; false for a file of a kind
// not read here, or broken headers.
bool ReadHeaders(std::string_view bytes, Frame* f) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::uint8_t* const end = data + bytes.size();
  if (bytes.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  f->tables = std::make_unique<std::array<Huffman, 8>>();
  TableState tables;
  const std::uint8_t* p = data + 2;
  for (;;) {
    // The next marker, after any fill bytes.
    if (end - p < 2 || p[0] != 0xFF) return false;
    while (p < end && *p == 0xFF) ++p;
    if (p == end) return false;
    const std::uint8_t marker = *p++;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;
    if (marker == 0xD9 || end - p < 2) return false;  // no picture
    const int length = Be16(p);
    if (length < 2 || end - p < length) return false;
    const std::uint8_t* s = p + 2;
    const std::uint8_t* const s_end = p + length;
    p = s_end;
    if (marker == 0xC0 || marker == 0xC1) {
      if (!ReadFrameHeader(s, s_end, f)) return false;
    } else if (marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 &&
               marker != 0xC8 && marker != 0xCC) {
      return false;  // progressive, lossless, hierarchical or arithmetic
    } else if (marker == 0xC4) {
      if (!ReadHuffmanTables(s, s_end, f)) return false;
    } else if (marker == 0xDB) {
      if (!ReadQuantTables(s, s_end, &tables)) return false;
    } else if (marker == 0xDD) {
      if (s_end - s < 2) return false;
      f->restart_interval = Be16(s);
    } else if (marker == 0xEE) {  // Adobe: its transform flag says RGB
      if (s_end - s >= 12 &&
          std::string_view(reinterpret_cast<const char*>(s), 5) == "Adobe") {
        tables.adobe_transform = s[11];
      }
    } else if (marker == 0xDA) {  // the scan
      if (!ReadScanHeader(s, s_end, tables, f)) return false;
      f->scan = s_end;
      f->end = end;
      return true;
    }
    // Anything else (application data, comments) is not needed.
  }
}

// Decodes the scan of `f` into each component's samples: the average of
// each of its blocks.
bool DecodeScan(Frame& f, const std::atomic<bool>* cancel) {
  std::vector<Component>& components = f.components;
  const int n = static_cast<int>(components.size());
  int hmax = 1, vmax = 1;
  for (const Component& c : components) {
    hmax = std::max(hmax, c.h);
    vmax = std::max(vmax, c.v);
  }
  int mcus_x, mcus_y;
  if (n == 1) {
    // One component is not interleaved: a unit of one block.
    components[0].h = components[0].v = hmax = vmax = 1;
    mcus_x = (f.width + 7) / 8;
    mcus_y = (f.height + 7) / 8;
  } else {
    mcus_x = (f.width + 8 * hmax - 1) / (8 * hmax);
    mcus_y = (f.height + 8 * vmax - 1) / (8 * vmax);
  }
  for (Component& c : components) {
    if (hmax % c.h != 0 || vmax % c.v != 0) return false;
    c.blocks_w = mcus_x * c.h;
    c.blocks_h = mcus_y * c.v;
    c.visible_w = ((f.width * c.h + hmax - 1) / hmax + 7) / 8;
    c.visible_h = ((f.height * c.v + vmax - 1) / vmax + 7) / 8;
    c.samples.assign(static_cast<std::size_t>(c.blocks_w) * c.blocks_h, 0);
  }

  BitReader bits(f.scan, f.end);
  long long units = 0;
  int next_restart = 0;
  for (int my = 0; my < mcus_y; ++my) {
    for (int mx = 0; mx < mcus_x; ++mx, ++units) {
      if (f.restart_interval != 0 && units != 0 &&
          units % f.restart_interval == 0) {
        if (!bits.Restart(next_restart)) return false;
        next_restart = (next_restart + 1) % 8;
        for (Component& c : components) c.prediction = 0;
      }
      for (Component& c : components) {
        for (int by = 0; by < c.v; ++by) {
          for (int bx = 0; bx < c.h; ++bx) {
            if (!DecodeBlock(c, bits, mx * c.h + bx, my * c.v + by)) {
              return false;
            }
          }
        }
      }
    }
    if (bits.Overran()) return false;  // the data ended early
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool DecodeJpegEighth(std::string_view bytes, int width, int height,
                      EighthImage* out, const std::atomic<bool>* cancel) {
  *out = EighthImage();
  Frame f;
  if (!ReadHeaders(bytes, &f)) return false;
  const int eighth_w = (f.width + 7) / 8, eighth_h = (f.height + 7) / 8;
  if (width < 1 || height < 1 || width > eighth_w || height > eighth_h ||
      static_cast<std::uint64_t>(eighth_w) * eighth_h > kMaxEighthPixels ||
      !DecodeScan(f, cancel)) {
    return false;
  }

  // Each component resampled to the size wanted: a block of the largest
  // sampling is one pixel at an eighth.
  int hmax = 1, vmax = 1;
  for (const Component& c : f.components) {
    hmax = std::max(hmax, c.h);
    vmax = std::max(vmax, c.v);
  }
  const double step_x = static_cast<double>(eighth_w) / width;
  const double step_y = static_cast<double>(eighth_h) / height;
  std::vector<std::vector<std::uint16_t>> planes;
  for (const Component& c : f.components) {
    const ResampleTaps xs =
        MakeResampleTaps(c.visible_w, width, step_x * c.h / hmax);
    const ResampleTaps ys =
        MakeResampleTaps(c.visible_h, height, step_y * c.v / vmax);
    planes.push_back(
        ResamplePlane(c.samples.data(), c.blocks_w, c.visible_w, xs, ys));
  }

  EighthImage image;
  image.width = width;
  image.height = height;
  image.channels = static_cast<int>(planes.size());
  const std::size_t count = static_cast<std::size_t>(width) * height;
  image.pixels.resize(count * image.channels);
  if (image.channels == 1) {
    for (std::size_t i = 0; i < count; ++i) {
      image.pixels[i] = static_cast<std::uint8_t>((planes[0][i] + 8) >> 4);
    }
  } else {
    static const ColourTables colour;
    for (std::size_t i = 0; i < count; ++i) {
      const int luma = (planes[0][i] + 8) >> 4;
      const int cb = (planes[1][i] + 8) >> 4;
      const int cr = (planes[2][i] + 8) >> 4;
      std::uint8_t* rgb = &image.pixels[i * 3];
      rgb[0] = Clamp255(luma + colour.cr_r[cr]);
      rgb[1] = Clamp255(luma + ((colour.cb_g[cb] + colour.cr_g[cr]) >> 16));
      rgb[2] = Clamp255(luma + colour.cb_b[cb]);
    }
  }
  *out = std::move(image);
  return true;
}

}  // namespace zarvek
