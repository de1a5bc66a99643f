#include <algorithm>
#include <iterator>
#include <span>
#include <utility>
#include <vector>

#include "colorart/engine/ColorAnalysis.hpp"

namespace colorart {

namespace {

// Precomputed answers for 8-bit colours, made from the same formulas as the colour operations
// so that they agree with them bit for bit.
struct Tables {
  // 0.2126 x (k / 255.0), 0.7152 x (k / 255.0), 0.0722 x (k / 255.0): the luminance terms.
  double lumRed[256], lumGreen[256], lumBlue[256];
  // Whether a colour whose largest component is M and smallest m has a saturation below the
  // text minimum, at [M * 256 + m]. Saturation depends on nothing else.
  uint8_t lowSaturation[256 * 256];
  // Whether raising a colour of brightness M / 255 to the text minimum makes its smallest
  // component exactly k / 255 for some k. When not, the raised colour is no pixel colour and its
  // count is 0, whatever its hue.
  uint8_t raisedMinimumExact[256];
  // The colours of those brightnesses with a saturation below the text minimum whose raised
  // colour is a pixel colour, each as (raised colour, colour), sorted: a colour set holds the
  // raised colours among its own (see TextCandidates).
  std::vector<std::pair<ColorKey, ColorKey>> raisedPairs;

  Tables() {
    for (int k = 0; k < 256; ++k) {
      double x = k / 255.0;
      lumRed[k] = 0.2126 * x;
      lumGreen[k] = 0.7152 * x;
      lumBlue[k] = 0.0722 * x;
      // Hue 0 gives (v, p, p) with p the raised colour's smallest component at any hue.
      double r, g, b;
      hsbToRgb(0.0, kMinimumTextSaturation, x, &r, &g, &b);
      raisedMinimumExact[k] = exactByte(b) >= 0;
    }
    for (int maxc = 0; maxc < 256; ++maxc)
      for (int minc = 0; minc <= maxc; ++minc) {
        double h, s, v;
        rgbToHsb(maxc / 255.0, minc / 255.0, minc / 255.0, &h, &s, &v);
        lowSaturation[maxc * 256 + minc] = s < kMinimumTextSaturation;
      }
    for (uint32_t maxc = 0; maxc < 256; ++maxc) {
      if (!raisedMinimumExact[maxc]) continue;
      // Saturation falls as the smallest component rises: the low ones are those from `least` up.
      uint32_t least = maxc;
      while (least > 0 && lowSaturation[maxc * 256 + least - 1]) --least;
      for (uint32_t b = least; b <= maxc; ++b)
        for (uint32_t g = least; g <= maxc; ++g)
          for (uint32_t r = least; r <= maxc; ++r) {
            if (std::max({r, g, b}) != maxc) continue;
            const ColorKey key = makeKey(r, g, b);
            RGBA raised;
            withMinimumSaturation(rgbaOfKey(key), kMinimumTextSaturation, &raised);
            ColorKey raisedKey;
            if (keyOfColor(raised, &raisedKey)) raisedPairs.emplace_back(raisedKey, key);
          }
    }
    std::sort(raisedPairs.begin(), raisedPairs.end());
  }
};

const Tables& tables() {
  static const Tables t;  // made on first use
  return t;
}

// A candidate packed as count << 24 | key: ordering the packed values orders by count, ties
// broken by key.
constexpr uint64_t pack(uint64_t count, ColorKey key) { return count << 24 | key; }
constexpr uint64_t countOf(uint64_t packed) { return packed >> 24; }
constexpr ColorKey keyOf(uint64_t packed) { return static_cast<ColorKey>(packed & 0xFFFFFF); }

// The three text colour slots while the candidates are walked; some may be filled on entry.
// Each candidate is offered to the first empty slot only.
class TextSlots {
 public:
  TextSlots(TextColors& colors, const std::optional<RGBA>& background)
      : outputs_(colors), hasBackground_(background.has_value()) {
    for (int i = 0; i < 3; ++i) {
      filled_[i] = colors[i].has_value();
      if (filled_[i]) chosen_[i] = *colors[i];
    }
    if (hasBackground_) backgroundLuminance_ = luminance(background->r, background->g, background->b);
  }

  bool full() const { return filled_[0] && filled_[1] && filled_[2]; }

  // Walks candidates in descending order without sorting them: the walk takes, for each slot in
  // turn, the first candidate after the one taken last that passes the slot's test, so each
  // step is a search for the largest such candidate. (Copies of the colour just taken, which
  // share its packed value, could never pass the next slot's test: they are not distinct from it.)
  // orderOf(i) is candidate i's place in the order, colourOf(i) its colour. Returns true when the
  // walk is over.
  template <class Order, class Colour>
  bool walk(size_t n, Order&& orderOf, Colour&& colourOf) {
    uint64_t bound = UINT64_MAX;  // candidates taken so far are all at or above it
    for (;;) {
      if (full()) return true;
      bool found = false;
      uint64_t best = 0;
      size_t bestIndex = 0;
      // From the back: the lists are in key order, so among equal counts the largest comes
      // first and most of the rest is passed over on the order alone.
      for (size_t i = n; i-- > 0;) {
        const uint64_t order = orderOf(i);
        if (order >= bound || (found && order <= best)) continue;
        if (!accepts(colourOf(i))) continue;
        best = order, bestIndex = i, found = true;
      }
      if (!found) return false;
      if (take(colourOf(bestIndex))) return true;
      bound = best;
    }
  }

  // Hands the colours chosen during the walk to the slots that were empty.
  void finish() {
    for (int i = 0; i < 3; ++i)
      if (filled_[i] && !outputs_[i]) outputs_[i] = chosen_[i];
  }

 private:
  bool contrasts(const RGBA& x) const {
    return !hasBackground_ || contrastRatio(luminance(x.r, x.g, x.b), backgroundLuminance_) > 1.6;
  }
  // The test of the first empty slot.
  bool accepts(const RGBA& x) const {
    if (!filled_[0]) return contrasts(x);
    if (!filled_[1]) return isDistinct(chosen_[0], x) && contrasts(x);
    if (!filled_[2]) return isDistinct(chosen_[1], x) && isDistinct(chosen_[0], x) && contrasts(x);
    return false;
  }
  // Fills the first empty slot; true when that was the last.
  bool take(const RGBA& x) {
    int slot = !filled_[0] ? 0 : !filled_[1] ? 1 : 2;
    chosen_[slot] = x, filled_[slot] = true;
    return slot == 2;
  }

  RGBA chosen_[3];
  bool filled_[3];
  TextColors& outputs_;
  bool hasBackground_;
  double backgroundLuminance_ = 0;
};

// The text colour candidates of a colour set, walked by count, largest first. Every colour C of
// the set is a candidate with the colour C' (C with its saturation raised to the minimum) and
// the count of C' in the set, if C' has the wanted darkness. The walk usually ends after a few,
// so they are gathered in tiers of counts, each tier from a pass over the set that looks at the
// count first: over the set's frequent colours while the tier's counts are above 1, over all of
// them only for the last tier.
//
// Which colour C' is, and so which count a candidate has, depends on C:
// - saturation at least the minimum: C' is C, with C's count;
// - below it, when the raised colour's smallest component can't be k / 255 (decided by the
//   brightness alone, see Tables): C' is no pixel colour, count 0, walked after all others;
// - below it otherwise (a few brightness levels): C' may be a pixel colour with a count of its
//   own, unrelated to C's ("special"). While the walk is among frequent colours, these C' are
//   found from the other side: the frequent colours that are the raised colour of some C in the
//   set (see Tables::raisedPairs). The last tier works every special C out in full.
class TextCandidates {
 public:
  TextCandidates(const CountedColorSet& colors, bool findDarkTextColor)
      : colors_(colors), findDark_(findDarkTextColor), histogram_(colors.countHistogram()) {}

  // Walks the candidates of non-zero count, tier by tier. True when the walk is over.
  bool walkCounted(TextSlots& slots) {
    // The first tier holds at least 64 colours where there are that many, the second at least
    // 4096, the third all the rest.
    const size_t tierSizes[] = {64, 4096, SIZE_MAX};
    uint64_t lows[std::size(tierSizes)];
    size_t tiers = 0;
    for (uint64_t high = UINT64_MAX; tiers < std::size(tierSizes) && high > 1; ++tiers)
      high = lows[tiers] = lowestCountFor(tierSizes[tiers], high);
    // The tiers above count 1 come from one pass over the frequent colours.
    const uint64_t* lowestFrequent = std::find(lows, lows + tiers, uint64_t{1});
    if (lowestFrequent != lows) gatherFrequent(lowestFrequent[-1]);
    uint64_t high = UINT64_MAX;
    for (const uint64_t low : std::span(lows, tiers)) {
      if (low > 1)
        selectFrequent(low, high);
      else
        gatherWhole(high);
      const uint64_t* tier = tier_.data();
      if (slots.walk(
              tier_.size(), [tier](size_t i) { return tier[i]; }, [tier](size_t i) { return rgbaOfKey(keyOf(tier[i])); }))
        return true;
      high = low;
    }
    return false;
  }

  // Walks the candidates of count 0 (greyish colours whose raised colour no pixel has), in key
  // order, largest first; those of the wrong darkness are out. Needs walkCounted to have run
  // to its end.
  void walkUncounted(TextSlots& slots) {
    const Tables& t = tables();
    for (const ColorEntry e : colors_.entries()) {
      const ColorKey key = entryKey(e);
      const uint32_t r = keyRed(key), g = keyGreen(key), b = keyBlue(key);
      const uint32_t maxc = std::max({r, g, b}), minc = std::min({r, g, b});
      if (!t.raisedMinimumExact[maxc] && t.lowSaturation[maxc * 256 + minc]) uncounted_.push_back(key);
    }
    std::vector<std::pair<ColorKey, RGBA>> raisedColours;
    raisedColours.reserve(uncounted_.size());
    for (const ColorKey key : uncounted_) {
      RGBA raised;
      withMinimumSaturation(rgbaOfKey(key), kMinimumTextSaturation, &raised);
      if (isDark(raised) == findDark_) raisedColours.emplace_back(key, raised);
    }
    slots.walk(
        raisedColours.size(), [&](size_t i) { return uint64_t{raisedColours[i].first}; },
        [&](size_t i) { return raisedColours[i].second; });
  }

 private:
  static constexpr uint64_t kTop = CountedColorSet::kHistogramTop;  // counts of kTop and more together

  // The largest low < below such that at least `wanted` colours have a count in [low, below).
  uint64_t lowestCountFor(size_t wanted, uint64_t below) const {
    size_t n = below > kTop ? histogram_[kTop] : 0;
    uint64_t low = std::min(below, kTop);
    while (low > 1 && n < wanted) n += histogram_[--low];
    return std::max<uint64_t>(low, 1);
  }

  // The candidates with counts of at least `low` (> 1) into frequent_, in one pass over the
  // frequent colours. A frequent colour X of the wanted darkness is a candidate, with its own count,
  // when its saturation is at least the minimum (C = C' = X) or when a special colour C of the set
  // is raised to it (C' = X).
  void gatherFrequent(uint64_t low) {
    const Tables& t = tables();
    const std::vector<std::pair<ColorKey, ColorKey>>& pairs = t.raisedPairs;
    auto pair = pairs.begin();
    for (const ColorEntry e : colors_.frequentEntries()) {
      if (entryCount(e) < low) continue;
      const ColorKey key = entryKey(e);
      const uint32_t r = keyRed(key), g = keyGreen(key), b = keyBlue(key);
      const double luminance = (t.lumRed[r] + t.lumGreen[g]) + t.lumBlue[b];
      if ((luminance < 0.5) != findDark_) continue;
      if (!t.lowSaturation[std::max({r, g, b}) * 256 + std::min({r, g, b})]) {
        frequent_.push_back(e);
        continue;
      }
      while (pair != pairs.end() && pair->first < key) ++pair;
      for (auto raisedFrom = pair; raisedFrom != pairs.end() && raisedFrom->first == key; ++raisedFrom)
        if (colors_.countForKey(raisedFrom->second) > 0) {
          frequent_.push_back(e);
          break;
        }
    }
  }

  // The candidates gathered from the frequent colours with counts in [low, high) into tier_.
  void selectFrequent(uint64_t low, uint64_t high) {
    tier_.clear();
    for (const uint64_t c : frequent_)
      if (countOf(c) >= low && countOf(c) < high) tier_.push_back(c);
  }

  // The candidates with counts in [1, high) into tier_, in a pass over the whole set that also
  // works out every special colour.
  void gatherWhole(uint64_t high) {
    const Tables& t = tables();
    const bool findDark = findDark_;
    std::vector<uint64_t> tier = std::move(tier_);
    tier.clear();
    for (const ColorEntry e : colors_.entries()) {
      const ColorKey key = entryKey(e);
      const uint32_t r = keyRed(key), g = keyGreen(key), b = keyBlue(key);
      const uint32_t maxc = std::max({r, g, b}), minc = std::min({r, g, b});
      if (t.raisedMinimumExact[maxc] && t.lowSaturation[maxc * 256 + minc]) {
        findSpecial(key);
        continue;
      }
      // The count first: most colours of a photo occur once or twice.
      if (entryCount(e) >= high) continue;
      if (t.lowSaturation[maxc * 256 + minc]) continue;  // its C' is another colour
      const double luminance = (t.lumRed[r] + t.lumGreen[g]) + t.lumBlue[b];
      if ((luminance < 0.5) == findDark) tier.push_back(e);
    }
    for (const uint64_t c : special_)
      if (countOf(c) < high) tier.push_back(c);
    tier_ = std::move(tier);
  }

  // A special colour: a candidate of its own count, or one of count 0.
  void findSpecial(ColorKey key) {
    RGBA raised;
    withMinimumSaturation(rgbaOfKey(key), kMinimumTextSaturation, &raised);
    ColorKey raisedKey;
    uint64_t raisedCount = keyOfColor(raised, &raisedKey) ? colors_.countForKey(raisedKey) : 0;
    if (raisedCount == 0)
      uncounted_.push_back(key);
    else if (isDark(raised) == findDark_)
      special_.push_back(pack(raisedCount, raisedKey));
  }

  const CountedColorSet& colors_;
  const bool findDark_;
  const CountedColorSet::CountHistogram& histogram_;
  std::vector<uint64_t> tier_;
  std::vector<uint64_t> frequent_;   // candidates among the frequent colours
  std::vector<uint64_t> special_;    // special candidates with a non-zero count
  std::vector<ColorKey> uncounted_;  // colours C whose C' has count 0
};

}  // namespace

void findTextColors(const CountedColorSet& colors, TextColors& slots, const std::optional<RGBA>& background) {
  const bool findDarkTextColor = !(background && isDark(*background));
  TextSlots walk(slots, background);
  if (!walk.full()) {
    TextCandidates candidates(colors, findDarkTextColor);
    if (!candidates.walkCounted(walk)) candidates.walkUncounted(walk);
  }
  walk.finish();
}

}  // namespace colorart
