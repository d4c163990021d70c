#include "audio/MusicComposer.h"

#include "audio/MusicHarmony.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace ruzoz::music {

namespace {

// The composer's own generator (splitmix64); the game's sequence stays untouched.
class ComposerRandom {
public:
  explicit ComposerRandom(std::uint64_t seed) : state_(seed) {}

  std::uint32_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
  }

  int Below(int count) { return static_cast<int>(Next() % static_cast<std::uint32_t>(count)); }

  int Between(int low, int high) { return low + Below(high - low + 1); }

  // Index drawn by weight; all weights positive.
  int Weighted(const std::vector<int> &weights) {
    long total = 0;
    for (int weight : weights)
      total += weight;
    long pick = static_cast<long>(Next() % static_cast<std::uint32_t>(total));
    for (std::size_t i = 0; i < weights.size(); ++i) {
      if (pick < weights[i])
        return static_cast<int>(i);
      pick -= weights[i];
    }
    return static_cast<int>(weights.size()) - 1;
  }

private:
  std::uint64_t state_;
};

constexpr std::uint64_t composerSeed = 0x52757A6F7A4D7573ull;

const char *EmbellishmentName(Embellishment embellishment) {
  switch (embellishment) {
  case Embellishment::Normal:
    return "normal";
  case Embellishment::Fill:
    return "fill";
  case Embellishment::Break:
    return "break";
  case Embellishment::Intro:
    return "intro";
  case Embellishment::End:
    return "end";
  }
  return "?";
}

struct ChordStep {
  int chord;
  int beats;
};

struct ChordEntry {
  int beat;
  int chord;
  int group;
  bool cadence;
};

class Composition {
public:
  Composition(const MusicStyle &style, const MusicTemplate &form, int activity,
              const MusicChordMap &map, MusicSegment &segment, std::string &error)
      : style_(style), form_(form), map_(map), segment_(segment), error_(error),
        random_(composerSeed), beatsPerMeasure_(form.beatsPerMeasure),
        grain_(form.beatsPerMeasure % 2 == 0 ? 2 : 1), preferredBeats_(grain_ << activity) {}

  bool Run() {
    segment_.measures = form_.measures;
    segment_.beatsPerMeasure = beatsPerMeasure_;
    segment_.lengthTicks =
        static_cast<std::uint32_t>(form_.measures * beatsPerMeasure_ * ticksPerBeat);
    segment_.tempo = form_.tempo;
    return ComposeChords() && ComposePatterns() && BuildEvents();
  }

private:
  // ------------------------------------------------------------ chords

  // reach[c * (beats + 1) + r]: from chord c with r beats left, the target
  // can begin exactly when they run out.
  std::vector<char> Reachability(int target, int beats) const {
    const int chords = static_cast<int>(map_.chords.size());
    std::vector<char> reach(static_cast<std::size_t>(chords) * (beats + 1), 0);
    reach[static_cast<std::size_t>(target) * (beats + 1)] = 1;
    for (int left = 1; left <= beats; ++left)
      for (const ChordLink &link : map_.links) {
        char &cell = reach[static_cast<std::size_t>(link.from) * (beats + 1) + left];
        for (int d = link.minBeats; d <= std::min(link.maxBeats, left) && !cell; ++d)
          if (d % grain_ == 0 && reach[static_cast<std::size_t>(link.to) * (beats + 1) + left - d])
            cell = 1;
      }
    return reach;
  }

  bool PathExists(int from, int target, int beats) const {
    if (beats <= 0)
      return false;
    return Reachability(target, beats)[static_cast<std::size_t>(from) * (beats + 1) + beats] != 0;
  }

  int DurationWeight(int beats) const {
    const int off = std::abs(beats - preferredBeats_) / grain_;
    return std::max(1, 64 / ((1 + off) * (1 + off)));
  }

  // A walk from `from` that hands over to `target` after exactly `beats`.
  bool FindPath(int from, int target, int beats, std::vector<ChordStep> &path) {
    if (beats <= 0)
      return false;
    const std::vector<char> reach = Reachability(target, beats);
    const auto at = [&](int chord, int left) {
      return reach[static_cast<std::size_t>(chord) * (beats + 1) + left] != 0;
    };
    if (!at(from, beats))
      return false;
    path.clear();
    int chord = from;
    int left = beats;
    std::vector<std::pair<const ChordLink *, int>> options;
    std::vector<int> weights;
    while (left > 0) {
      options.clear();
      weights.clear();
      for (const ChordLink &link : map_.links) {
        if (link.from != chord)
          continue;
        for (int d = link.minBeats; d <= std::min(link.maxBeats, left); ++d)
          if (d % grain_ == 0 && at(link.to, left - d)) {
            options.emplace_back(&link, d);
            weights.push_back(link.weight * DurationWeight(d));
          }
      }
      const auto &[link, d] = options[random_.Weighted(weights)];
      path.push_back({chord, d});
      chord = link->to;
      left -= d;
    }
    return true;
  }

  int CadenceBeats(const SignpostChord &signpost) const {
    int beats = 0;
    for (const CadenceChord &cadence : signpost.cadence)
      beats += cadence.beats;
    return beats;
  }

  bool SpanFits(const SignpostChord &from, const SignpostChord &to, bool cadence, int beats) const {
    if (cadence && !to.cadence.empty() &&
        PathExists(from.chord, to.cadence[0].chord, beats - CadenceBeats(to)))
      return true;
    return PathExists(from.chord, to.chord, beats);
  }

  int SpanBeats(std::size_t index) const {
    const auto &signposts = form_.signposts;
    const int start = signposts[index].measure;
    const int end = index + 1 < signposts.size() ? signposts[index + 1].measure
                                                 : signposts[0].measure + form_.measures;
    return (end - start) * beatsPerMeasure_;
  }

  void ComposeSpan(int startBeat, int beats, const SignpostChord &from, int group,
                   const SignpostChord &to, bool cadenceWanted, std::vector<ChordEntry> &track) {
    track.push_back({startBeat, from.chord, group, false});
    std::vector<ChordStep> path;
    const int cadenceBeats = cadenceWanted ? CadenceBeats(to) : 0;
    bool cadence =
        cadenceBeats > 0 && FindPath(from.chord, to.cadence[0].chord, beats - cadenceBeats, path);
    if (!cadence && !FindPath(from.chord, to.chord, beats, path)) {
      // No way through the graph: hold the signpost chord, keep the cadence if it fits.
      ++segment_.heldSpans;
      cadence = cadenceBeats > 0 && cadenceBeats < beats;
      path = {{from.chord, cadence ? beats - cadenceBeats : beats}};
    }
    int beat = startBeat + path[0].beats;
    for (std::size_t i = 1; i < path.size(); ++i) {
      track.push_back({beat, path[i].chord, 0, false});
      beat += path[i].beats;
    }
    if (cadence)
      for (const CadenceChord &chord : to.cadence) {
        track.push_back({beat, chord.chord, 0, true});
        beat += chord.beats;
      }
  }

  bool ComposeChords() {
    const auto &signposts = form_.signposts;
    std::vector<std::vector<int>> candidates(signposts.size());
    for (std::size_t i = 0; i < signposts.size(); ++i) {
      for (std::size_t s = 0; s < map_.signposts.size(); ++s)
        if (map_.signposts[s].groups & (1u << (signposts[i].group - 1)))
          candidates[i].push_back(static_cast<int>(s));
      if (candidates[i].empty()) {
        error_ =
            "the chord map has no signpost chord of group " + std::to_string(signposts[i].group);
        return false;
      }
    }
    // Pick signpost chords so that, where possible, a path leads to each.
    const std::size_t count = signposts.size();
    std::vector<int> chosen(count);
    chosen[0] = candidates[0][random_.Below(static_cast<int>(candidates[0].size()))];
    for (std::size_t i = 1; i < count; ++i) {
      std::vector<int> fitting;
      for (int candidate : candidates[i]) {
        const SignpostChord &here = map_.signposts[candidate];
        bool fits =
            SpanFits(map_.signposts[chosen[i - 1]], here, signposts[i].cadence, SpanBeats(i - 1));
        if (fits && i + 1 == count)
          fits = SpanFits(here, map_.signposts[chosen[0]], signposts[0].cadence, SpanBeats(i));
        if (fits)
          fitting.push_back(candidate);
      }
      const std::vector<int> &pool = fitting.empty() ? candidates[i] : fitting;
      chosen[i] = pool[random_.Below(static_cast<int>(pool.size()))];
    }
    std::vector<ChordEntry> track;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t next = (i + 1) % count;
      ComposeSpan((signposts[i].measure - 1) * beatsPerMeasure_, SpanBeats(i),
                  map_.signposts[chosen[i]], signposts[i].group, map_.signposts[chosen[next]],
                  signposts[next].cadence, track);
    }
    // The last span runs past the end into the first signpost: fold it over.
    const int total = form_.measures * beatsPerMeasure_;
    ChordEntry across = track.front();
    for (const ChordEntry &entry : track)
      if (entry.beat < total)
        across = entry;
    for (ChordEntry &entry : track)
      entry.beat %= total;
    std::stable_sort(track.begin(), track.end(),
                     [](const ChordEntry &a, const ChordEntry &b) { return a.beat < b.beat; });
    if (track.front().beat != 0)
      track.insert(track.begin(), {0, across.chord, 0, across.cadence});
    for (const ChordEntry &entry : track)
      segment_.chords.push_back({static_cast<std::uint32_t>(entry.beat * ticksPerBeat), entry.chord,
                                 entry.group, entry.cadence});
    return true;
  }

  // Index into segment_.chords of the chord sounding at `tick`.
  std::size_t ChordAt(std::uint32_t tick) const {
    const auto &chords = segment_.chords;
    auto it = std::upper_bound(chords.begin(), chords.end(), tick,
                               [](std::uint32_t t, const SegmentChord &c) { return t < c.tick; });
    return static_cast<std::size_t>(it - chords.begin()) - 1;
  }

  // ---------------------------------------------------------- patterns

  int PickPattern(const TemplateCommand &command, int measuresLeft) {
    int groove = command.groove;
    if (command.grooveRange > 0)
      groove += random_.Between(-command.grooveRange, command.grooveRange);
    groove = std::clamp(groove, 1, 100);
    const auto gather = [&](Embellishment embellishment) {
      std::vector<int> pool;
      int best = 101;
      for (std::size_t p = 0; p < style_.patterns.size(); ++p) {
        const StylePattern &pattern = style_.patterns[p];
        if (pattern.embellishment != embellishment)
          continue;
        const int distance = std::max({0, pattern.grooveLow - groove, groove - pattern.grooveHigh});
        if (distance < best)
          pool.clear();
        if (distance <= best) {
          best = distance;
          pool.push_back(static_cast<int>(p));
        }
      }
      return pool;
    };
    std::vector<int> pool = gather(command.embellishment);
    if (pool.empty())
      pool = gather(Embellishment::Normal);
    if (pool.empty())
      return -1;
    std::vector<int> fitting;
    for (int p : pool)
      if (style_.patterns[p].measures <= measuresLeft)
        fitting.push_back(p);
    if (!fitting.empty())
      pool = std::move(fitting);
    return pool[random_.Below(static_cast<int>(pool.size()))];
  }

  int PickVariation(const std::vector<PartVariation> &variations, unsigned chordType, int last) {
    std::vector<int> fitting;
    for (std::size_t v = 0; v < variations.size(); ++v)
      if (variations[v].fits & chordType)
        fitting.push_back(static_cast<int>(v));
    if (fitting.size() > 1)
      std::erase(fitting, last);
    if (fitting.empty())
      return -1;
    return fitting[random_.Below(static_cast<int>(fitting.size()))];
  }

  void RenderNote(const StylePart &part, int partIndex, const StyleNote &note,
                  std::uint32_t start) {
    const std::uint32_t ticksPerStep = static_cast<std::uint32_t>(ticksPerBeat / style_.grid);
    const std::uint32_t end = std::min(
        start + static_cast<std::uint32_t>(note.duration) * ticksPerStep, segment_.lengthTicks);
    const int shift = note.timeRange > 0 ? random_.Between(-note.timeRange, note.timeRange) : 0;
    int velocity = note.velocity;
    if (note.velocityRange > 0)
      velocity += random_.Between(-note.velocityRange, note.velocityRange);
    velocity = std::clamp(velocity, 1, 127);
    // Chords come from the written time; a chord change inside the note
    // re-voices it unless the key stays the same.
    std::vector<SegmentNote> pieces;
    std::uint32_t from = start;
    for (std::size_t c = ChordAt(start); from < end; ++c) {
      const std::uint32_t until = part.mode == PlayMode::Fixed || c + 1 >= segment_.chords.size()
                                      ? end
                                      : std::min(end, segment_.chords[c + 1].tick);
      NoteFit fit;
      const int key =
          ApplyValue(note.value, part.mode, map_, map_.chords[segment_.chords[c].chord], fit);
      if (!pieces.empty() && pieces.back().key == key)
        pieces.back().length = until - pieces.back().tick;
      else
        pieces.push_back({from, 0, until - from, static_cast<std::uint8_t>(key),
                          static_cast<std::uint8_t>(velocity),
                          static_cast<std::uint8_t>(part.channel),
                          static_cast<std::uint8_t>(partIndex), fit});
      from = until;
    }
    const long length = segment_.lengthTicks;
    for (SegmentNote &piece : pieces) {
      const long start = std::clamp(long(piece.tick) + shift, 0L, length - 1);
      piece.offset = static_cast<std::int32_t>(start - long(piece.tick));
      piece.length = static_cast<std::uint32_t>(std::min(long(piece.length), length - start));
      segment_.notes.push_back(piece);
    }
  }

  bool ComposePatterns() {
    std::vector<TemplateCommand> commands = form_.commands;
    if (commands.empty() || commands.front().measure != 1)
      commands.insert(commands.begin(), TemplateCommand{});
    const int stepsPerMeasure = beatsPerMeasure_ * style_.grid;
    const std::uint32_t measureTicks = static_cast<std::uint32_t>(beatsPerMeasure_ * ticksPerBeat);
    const std::size_t parts = style_.parts.size();
    std::size_t command = 0;
    int pattern = -1;
    int previousPattern = -1;
    int offset = 0;
    std::vector<int> variation(parts, -1);
    for (int measure = 0; measure < form_.measures; ++measure) {
      bool fresh = false;
      if (command + 1 < commands.size() && commands[command + 1].measure == measure + 1) {
        ++command;
        pattern = -1;
      }
      if (pattern < 0 || offset == style_.patterns[pattern].measures) {
        const int nextCommand =
            command + 1 < commands.size() ? commands[command + 1].measure : form_.measures + 1;
        pattern = PickPattern(commands[command], nextCommand - (measure + 1));
        if (pattern < 0) {
          error_ = std::string("the style has no pattern for the embellishment '") +
                   EmbellishmentName(commands[command].embellishment) + "'";
          return false;
        }
        offset = 0;
        fresh = true;
      }
      const bool again = fresh && pattern == previousPattern;
      previousPattern = pattern;
      segment_.measurePatterns.push_back(pattern);
      const StylePattern &current = style_.patterns[pattern];
      const std::uint32_t measureStart = static_cast<std::uint32_t>(measure) * measureTicks;
      const unsigned chordType = map_.chords[segment_.chords[ChordAt(measureStart)].chord].type;
      for (std::size_t p = 0; p < parts; ++p) {
        const auto &variations = current.variations[p];
        int &chosen = variation[p];
        if (fresh || chosen < 0 || !(variations[chosen].fits & chordType))
          chosen = PickVariation(variations, chordType, again || !fresh ? chosen : -1);
        if (chosen < 0)
          continue;
        for (const StyleNote &note : variations[chosen].notes) {
          if (note.position / stepsPerMeasure != offset)
            continue;
          const std::uint32_t start =
              measureStart + static_cast<std::uint32_t>(note.position % stepsPerMeasure) *
                                 static_cast<std::uint32_t>(ticksPerBeat / style_.grid);
          RenderNote(style_.parts[p], static_cast<int>(p), note, start);
        }
      }
      ++offset;
    }
    return true;
  }

  // ------------------------------------------------------------ events

  bool BuildEvents() {
    auto &notes = segment_.notes;
    std::stable_sort(notes.begin(), notes.end(), [](const SegmentNote &a, const SegmentNote &b) {
      return a.Start() < b.Start();
    });
    // A key struck again on its channel ends the one still sounding.
    std::vector<int> sounding(16 * 128, -1);
    for (std::size_t i = 0; i < notes.size(); ++i) {
      int &last = sounding[notes[i].channel * 128 + notes[i].key];
      if (last >= 0 && notes[last].End() > notes[i].Start())
        notes[last].length = notes[i].Start() - notes[last].Start();
      last = static_cast<int>(i);
    }
    std::erase_if(notes, [](const SegmentNote &note) { return note.length == 0; });

    auto &events = segment_.events;
    for (const StylePart &part : style_.parts) {
      const auto channel = static_cast<std::uint8_t>(part.channel);
      events.push_back(
          {0, EventType::Program, channel, static_cast<std::uint8_t>(part.program), 0});
      const std::pair<int, int> controls[] = {
          {7, part.volume}, {10, part.pan}, {91, part.reverb}, {93, part.chorus}};
      for (const auto &[controller, value] : controls)
        events.push_back({0, EventType::Control, channel, static_cast<std::uint8_t>(controller),
                          static_cast<std::uint8_t>(value)});
    }
    for (const SegmentNote &note : notes) {
      events.push_back({note.Start(), EventType::NoteOn, note.channel, note.key, note.velocity});
      events.push_back({note.End(), EventType::NoteOff, note.channel, note.key, 0});
    }
    std::stable_sort(events.begin(), events.end(), [](const MusicEvent &a, const MusicEvent &b) {
      return a.tick != b.tick ? a.tick < b.tick : a.type < b.type;
    });
    return true;
  }

  const MusicStyle &style_;
  const MusicTemplate &form_;
  const MusicChordMap &map_;
  MusicSegment &segment_;
  std::string &error_;
  ComposerRandom random_;
  int beatsPerMeasure_;
  int grain_;
  int preferredBeats_;
};

} // namespace

bool ComposeSegment(const MusicStyle &style, const MusicTemplate &form, int activity,
                    const MusicChordMap &chordMap, MusicSegment &segment, std::string &error) {
  error.clear();
  if (activity < 0 || activity > 3) {
    error = "activity " + std::to_string(activity) + " is outside 0..3";
    return false;
  }
  if (style.beatsPerMeasure != form.beatsPerMeasure) {
    error = "the style is in " + std::to_string(style.beatsPerMeasure) + "/4, the template in " +
            std::to_string(form.beatsPerMeasure) + "/4";
    return false;
  }
  if (form.signposts.empty() || form.measures <= 0 || chordMap.chords.empty() ||
      style.parts.empty()) {
    error = "the template, the chord map or the style is empty";
    return false;
  }
  segment = MusicSegment();
  return Composition(style, form, activity, chordMap, segment, error).Run();
}

} // namespace ruzoz::music
