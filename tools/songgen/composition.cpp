// "velastria": the song, written the way a tracker shows it.  One pattern per order; each
// order follows the scene it plays under:
//
//   0-1    intro under the two title cards: pads and a bell that swell in with the fade at
//          rows 0-3 and have died away before the fade-out at rows 60-63
//   2-6    landscape flight: the groove enters part by part; orders 5 and 6 hit a chord
//          stab and a cymbal on rows 0, 16, 32 and 48 (the wireframe flashes)
//   7-10   star field: 7 opens up at row 32, 8 falling slides, 9 a build-up of rolls and a
//          rising sweep, 10 an impact and a break that fades out from row 33
//   11-14  spinning glass cube: the main theme at full power, a crash on row 0 of 12, 13, 14
//   15-18  spirograph: a new chord and a stab on row 0 of every order, another stab and
//          cymbal on row 32 (the colour change)
//   19-27  credits: a melodic outro that thins out; 27 strikes the final chord on row 16 and
//          lets it die away before its last rows
//   28     silence: the show ends on its first frame
#include "composition.h"

#include <functional>

#include "instruments.h"
#include "notation.h"

namespace songgen {

namespace {

// Channels.
enum : int { KICK, SNARE, HATS, BASS, PAD1, PAD2, PAD3, LEAD, ARP, ECHO, FX, CYMBAL };

// ----- harmony ------------------------------------------------------------------------------

const Chord Am{"A-1", {"A-3", "C-4", "E-4"}, {"A-4", "C-5", "E-5", "A-5"}};
const Chord F{"F-1", {"A-3", "C-4", "F-4"}, {"F-4", "A-4", "C-5", "F-5"}};
const Chord C{"C-2", {"G-3", "C-4", "E-4"}, {"G-4", "C-5", "E-5", "G-5"}};
const Chord G{"G-1", {"G-3", "B-3", "D-4"}, {"G-4", "B-4", "D-5", "G-5"}};
const Chord Dm{"D-2", {"A-3", "D-4", "F-4"}, {"A-4", "D-5", "F-5", "A-5"}};
const Chord E{"E-1", {"G#3", "B-3", "E-4"}, {"G#4", "B-4", "E-5", "G#5"}};
const Chord Em{"E-1", {"G-3", "B-3", "E-4"}, {"G-4", "B-4", "E-5", "G-5"}};
const Chord Amaj{"A-1", {"A-3", "C#4", "E-4"}, {"A-4", "C#5", "E-5", "A-5"}};

using Progression = std::vector<Bar>;
const Progression kMain{{0, Am}, {16, F}, {32, C}, {48, G}};      // the theme's chords
const Progression kTension{{0, Dm}, {16, Am}, {32, F}, {48, E}};  // star field
const Progression kOutro{{0, F}, {16, G}, {32, Em}, {48, Am}};     // credits

// A bass figure that strikes once at the start of a bar and holds.
const std::string kHeld = "R" + std::string(63, '.');

// ----- the themes (lead, instrument 0A) -------------------------------------------------------

const char* kThemeA = R"(
00 E-5 0A 28 ...
06 D-5 .. .. ...
08 C-5 .. .. ...
12 D-5 .. .. ...
14 E-5 .. .. ...
16 F-5 .. .. ...
22 E-5 .. .. ...
24 C-5 .. .. ...
27-31 ... .. .. 434
32 G-5 .. .. ...
38 E-5 .. .. ...
40 C-5 .. .. ...
44 D-5 .. .. ...
46 E-5 .. .. ...
48 D-5 .. .. ...
52-58 ... .. .. 445
60 B-4 .. .. ...
62 === .. .. ...
)";

const char* kThemeB = R"(
00 A-5 0A 28 ...
04 G-5 .. .. ...
06 E-5 .. .. ...
12 C-5 .. .. ...
14 D-5 .. .. ...
16 E-5 .. .. ...
20 F-5 .. .. ...
22 A-5 .. .. ...
26-31 ... .. .. 445
32 G-5 .. .. ...
36 E-5 .. .. ...
40 G-5 .. .. ...
44 C-6 .. .. 308
45-47 ... .. .. 300
48 B-5 .. .. ...
52-57 ... .. .. 446
58 A-5 .. .. ...
60 G-5 .. .. ...
62 === .. .. ...
)";

// Stars falling: every phrase starts high and slides down.
const char* kFalling = R"(
00 D-6 0A 28 ...
04-07 ... .. .. 208
08 A-5 .. .. ...
12-15 ... .. .. 206
16 C-6 0A 28 ...
20-23 ... .. .. 208
24 A-5 .. .. ...
28 E-5 .. .. ...
32 A-5 0A 28 ...
36-39 ... .. .. 208
40 F-5 .. .. ...
44 C-5 .. .. ...
48 B-5 0A 28 ...
52-55 ... .. .. 206
56 G#5 .. .. ...
60 E-5 .. .. ...
62 === .. .. ...
)";

// ----- part writers ---------------------------------------------------------------------------

Cell noteCell(const std::string& note, int instrument, int volume) {
    Cell c;
    c.note = noteNumber(note);
    c.instrument = static_cast<std::uint8_t>(instrument);
    if (volume >= 0) c.volume = static_cast<std::uint8_t>(0x10 + volume);
    return c;
}

// One pad voice: the chord tone of each bar, held (not restarted when it stays the same).
Track padVoice(const Progression& bars, int voice, int volume, int releaseRow = -1) {
    Track t{};
    std::string previous;
    for (const Bar& b : bars) {
        const std::string& n = b.chord.pad[static_cast<std::size_t>(voice)];
        if (n != previous) t[static_cast<std::size_t>(b.row)] = noteCell(n, kPad, volume);
        previous = n;
    }
    if (releaseRow >= 0) t[static_cast<std::size_t>(releaseRow)].note = 97;
    return t;
}

// Bass figures repeated through each bar: characters are rows; 'R' root, 'O' root an octave
// up, 'F' the fifth, '-' key off, '.' nothing.
Track bassLine(const Progression& bars, const std::string& figure, int volume) {
    Track t{};
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const int start = bars[i].row;
        const int end = i + 1 < bars.size() ? bars[i + 1].row : kRows;
        const std::uint8_t root = noteNumber(bars[i].chord.root);
        for (int r = start; r < end; ++r) {
            const char f = figure[static_cast<std::size_t>(r - start) % figure.size()];
            Cell c;
            if (f == 'R' || f == 'O' || f == 'F') {
                c.note = static_cast<std::uint8_t>(root + (f == 'O' ? 12 : f == 'F' ? 7 : 0));
                c.instrument = kBass;
                c.volume = static_cast<std::uint8_t>(0x10 + volume);
            } else if (f == '-') {
                c.note = 97;
            } else {
                continue;
            }
            t[static_cast<std::size_t>(r)] = c;
        }
    }
    return t;
}

// Arpeggio figures: characters index the chord's arpeggio tones ('0'..'3'), '.' rests.
Track arpLine(const Progression& bars, const std::string& figure, int instrument,
              const std::function<int(int)>& volumeAt) {
    Track t{};
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const int start = bars[i].row;
        const int end = i + 1 < bars.size() ? bars[i + 1].row : kRows;
        for (int r = start; r < end; ++r) {
            const char f = figure[static_cast<std::size_t>((r - start) % figure.size())];
            if (f < '0' || f > '3') continue;
            t[static_cast<std::size_t>(r)] =
                noteCell(bars[i].chord.arp[static_cast<std::size_t>(f - '0')], instrument, volumeAt(r));
        }
    }
    return t;
}
std::function<int(int)> flat(int v) {
    return [v](int) { return v; };
}

// Chord stabs (instrument 0D) on the given rows, on the root of the bar that holds the row.
Track stabs(const Progression& bars, std::initializer_list<int> rows, int volume) {
    Track t{};
    for (int r : rows) {
        const Chord* chord = &bars.front().chord;
        for (const Bar& b : bars)
            if (b.row <= r) chord = &b.chord;
        t[static_cast<std::size_t>(r)] = noteCell(chord->pad[0], kStab, volume);
        t[static_cast<std::size_t>(r)].note = static_cast<std::uint8_t>(noteNumber(chord->root) + 24);
    }
    return t;
}

Track cymbals(std::initializer_list<int> rows, int volume) {
    Track t{};
    for (int r : rows) t[static_cast<std::size_t>(r)] = noteCell("C-4", kCrash, volume);
    return t;
}

// Every row of [from, to] gets the effect (for fades and slides over held notes).
Track withEffect(Track t, int from, int to, int effect, int param) {
    for (int r = from; r <= to; ++r) {
        Cell& c = t[static_cast<std::size_t>(r)];
        c.effect = static_cast<std::uint8_t>(effect);
        c.param = static_cast<std::uint8_t>(param);
    }
    return t;
}
// A fade to silence over held notes: fine volume down by `step` on each row of the range.
Track fadeOut(const Track& t, int from, int to, int step) { return withEffect(t, from, to, 0xE, 0xB0 + step); }

void pads(Pattern& p, const Progression& bars, int volume, int releaseRow = -1) {
    p.tracks[PAD1] = padVoice(bars, 0, volume, releaseRow);
    p.tracks[PAD2] = padVoice(bars, 1, volume, releaseRow);
    p.tracks[PAD3] = padVoice(bars, 2, volume, releaseRow);
}

// ----- drum grids ----------------------------------------------------------------------------

const char* kFour = "X...X...X...X...|X...X...X...X...|X...X...X...X...|X...X...X...X...";
const char* kFourHalf = "................|................|X...X...X...X...|X...X...X...X...";
const char* kBackbeat = "....X.......X...|....X.......X...|....X.......X...|....X.......X...";
const char* kBackbeatGhost = "....X.....d.X...|....X.......X..d|....X.....d.X...|....X...d...X.x.";
const char* kHatsOff = "..x...x...x...x.|..x...x...x...x.|..x...x...x...x.|..x...x...x...x.";
const char* kHats16 = "x.o.x.o.x.o.x.oo|x.o.x.o.x.o.x.oo|x.o.x.o.x.o.x.oo|x.o.x.o.x.o.xoxo";
const char* kHatsDrive = "xoxoxoxoxoxoxoxo|xoxoxoxoxoxoxoxo|xoxoxoxoxoxoxoxo|xoxoxoxoxoxoxoxo";
const char* kOpenOff = "..X...X...X...X.|..X...X...X...X.|..X...X...X...X.|..X...X...X...X.";
const char* kHalfKick = "X.........X.....|..X.............|X.........X.....|..X.......X.....";
const char* kHalfSnare = "................|X.....d.........|................|X.....d.....x.x.";
const char* kSwingHats = "x.dox.dox.dox.do|x.dox.dox.dox.do|x.dox.dox.dox.do|x.dox.dox.dox.do";
const char* kSoftKick = "x.......x.......|x.......x.......|x.......x.......|x.......x.....o.";
const char* kSoftSnare = "....o.......o...|....o.......o...|....o.......o...|....o.......o.oo";
const char* kSoftHats = "o.o.o.o.o.o.o.o.|o.o.o.o.o.o.o.o.|o.o.o.o.o.o.o.o.|o.o.o.o.o.o.o.o.";

// ----- the orders -----------------------------------------------------------------------------

Pattern intro(bool title) {
    Pattern p;
    const Progression bars = title ? Progression{{0, C}, {32, G}} : Progression{{0, Am}, {32, F}};
    pads(p, bars, 0x1C, 54);
    p.tracks[BASS] = bassLine(bars, kHeld, 0x18);
    p.tracks[BASS][54].note = 97;
    const Track bellA = parseTrack(R"(
02 E-5 0C 24 ...
06 A-4 0C 18 ...
10 C-5 0C 1C ...
14 B-4 0C 16 ...
18 A-4 0C 1C ...
34 F-5 0C 22 ...
38 C-5 0C 18 ...
40 A-4 0C 1A ...
44 E-4 0C 14 ...
)");
    const Track bellB = parseTrack(R"(
02 G-5 0C 24 ...
06 E-5 0C 18 ...
10 C-5 0C 1C ...
14 D-5 0C 18 ...
18 E-5 0C 1C ...
34 D-5 0C 22 ...
38 B-4 0C 18 ...
40 G-4 0C 1A ...
44 B-4 0C 14 ...
)");
    p.tracks[LEAD] = title ? bellB : bellA;
    p.tracks[ECHO] = echo(p.tracks[LEAD], 3, 0x0C, 3);
    if (title) {
        p.tracks[ARP] = parseTrack(R"(
00 E-4 09 14 ...
32 D-4 09 14 ...
54 === .. .. ...
)");
        // A soft sweep that rises into the groove and is gone again with the fade.
        p.tracks[FX] = withEffect(parseTrack(R"(
36 C-3 0E 08 ...
58 === .. .. ...
)"),
                                  37, 57, 0x1, 0x03);
    }
    return p;
}

Pattern landscape(int part) {  // part 0..4 = orders 2..6
    Pattern p;
    const Progression& bars = kMain;
    p.tracks[KICK] = drumTrack(kFour, kKick);
    p.tracks[HATS] = drumTrack(part == 0 ? kHatsOff : kHats16, kHatClosed);
    p.tracks[BASS] = bassLine(bars, part == 0 ? "R...R...R...R..." : "R.R.O.R.R.O.R.OR", 0x2C);
    pads(p, bars, part == 0 ? 0x16 : 0x12);
    if (part == 0) p.tracks[CYMBAL] = cymbals({0}, 0x20);
    if (part >= 1) {
        p.tracks[SNARE] = drumTrack(kBackbeat, kSnare);
        p.tracks[ARP] = arpLine(bars, "0123210301232103", kPluck, flat(0x14));
    }
    if (part >= 2) {
        p.tracks[LEAD] = parseTrack(part == 3 ? kThemeB : kThemeA);
        p.tracks[ECHO] = echo(p.tracks[LEAD], 3, 0x0E, 2);
    }
    if (part >= 3) {  // orders 5 and 6: the four accents
        p.tracks[FX] = stabs(bars, {0, 16, 32, 48}, 0x30);
        p.tracks[CYMBAL] = cymbals({0, 16, 32, 48}, 0x22);
    }
    if (part == 4) {  // fill into the star field
        p.tracks[SNARE] = overlay(p.tracks[SNARE], drumTrack("................|................|................|........x.x.RRRR", kSnare));
        p.tracks[FX] = overlay(p.tracks[FX], parseTrack(R"(
56 G-4 06 30 ...
58 E-4 06 30 ...
60 C-4 06 34 ...
62 A-3 06 38 ...
)"));
    }
    return p;
}

Pattern starfield(int part) {  // part 0..3 = orders 7..10
    Pattern p;
    const Progression& bars = kTension;
    switch (part) {
        case 0: {  // opens up at row 32
            Track padsT[3];
            for (int v = 0; v < 3; ++v) padsT[v] = withEffect(padVoice(bars, v, 0x0C), 1, 31, 0xE, 0xA1);
            p.tracks[PAD1] = padsT[0], p.tracks[PAD2] = padsT[1], p.tracks[PAD3] = padsT[2];
            p.tracks[ARP] = arpLine(bars, "0123", kPluck, [](int r) { return r < 32 ? 4 + r / 2 : 0x16; });
            p.tracks[FX] = withEffect(parseTrack(R"(
00 C-3 0E 0C ...
08 ... .. +1 ...
16 ... .. +1 ...
24 ... .. +2 ...
28 ... .. +2 ...
31 === .. .. ...
)"),
                                      1, 30, 0x1, 0x03);
            p.tracks[HATS] = drumTrack("................|o.o.o.o.o.o.o.o.|x.o.x.o.x.o.x.oo|x.o.x.o.x.o.x.oo", kHatClosed);
            p.tracks[KICK] = drumTrack(kFourHalf, kKick);
            p.tracks[SNARE] = drumTrack("................|................|....X.......X...|....X.......X...", kSnare);
            p.tracks[BASS] = bassLine(Progression{{0, Dm}, {16, Am}, {32, F}, {48, E}}, "R.R.O.R.R.O.R.OR", 0x2C);
            for (int r = 0; r < 32; ++r) p.tracks[BASS][static_cast<std::size_t>(r)] = {};
            p.tracks[CYMBAL] = cymbals({32}, 0x2A);
            p.tracks[LEAD] = parseTrack(R"(
32 A-4 09 20 ...
48 G#4 .. .. ...
)");
            break;
        }
        case 1:  // the stars fall
            p.tracks[KICK] = drumTrack(kFour, kKick);
            p.tracks[SNARE] = drumTrack(kBackbeat, kSnare);
            p.tracks[HATS] = drumTrack(kHats16, kHatClosed);
            p.tracks[BASS] = bassLine(bars, "R.R.O.R.R.O.R.OR", 0x2C);
            pads(p, bars, 0x12);
            p.tracks[ARP] = arpLine(bars, "3210", kPluck, flat(0x14));
            p.tracks[LEAD] = parseTrack(kFalling);
            p.tracks[ECHO] = echo(p.tracks[LEAD], 3, 0x0E, 12);
            break;
        case 2: {  // build-up
            p.tracks[KICK] = drumTrack("X...X...X...X...|X...X...X...X...|X...X...X...X...|X.X.X.X.X.X.X.X.", kKick);
            p.tracks[SNARE] = drumTrack("....X.......X...|X...X...X...X...|X.x.X.x.X.x.X.x.|XxXxXxXxRRRRRRRR", kSnare);
            p.tracks[HATS] = drumTrack(kHatsDrive, kHatClosed);
            p.tracks[BASS] = bassLine(bars, "R.R.O.R.R.O.R.OR", 0x2C);
            pads(p, bars, 0x14);
            // The arpeggio effect turns each sixteenth into a minor or major triad flutter.
            p.tracks[ARP] = withEffect(arpLine(bars, "0.1.2.3.0.1.2.3.", kPluck, flat(0x14)), 0, 63, 0x0, 0x37);
            for (int r = 48; r < 64; ++r) p.tracks[ARP][static_cast<std::size_t>(r)].param = 0x47;
            p.tracks[ECHO] = parseTrack(R"(
00 A-4 09 18 ...
16 C-5 .. .. ...
32 D-5 .. .. ...
48 E-5 .. .. ...
)");
            p.tracks[FX] = withEffect(parseTrack(R"(
00 C-3 0E 0C ...
16 ... .. +1 ...
32 ... .. +2 ...
48 ... .. +2 ...
56 ... .. +3 ...
)"),
                                      1, 63, 0x1, 0x02);
            break;
        }
        default: {  // impact, then a break that fades from row 33
            const Progression breakBars{{0, Am}, {32, F}};
            p.tracks[KICK] = drumTrack("X...............|................|................|................", kKick);
            p.tracks[CYMBAL] = cymbals({0}, 0x30);
            p.tracks[FX] = stabs(breakBars, {0}, 0x34);
            for (int v = 0; v < 3; ++v)
                p.tracks[PAD1 + v] = fadeOut(padVoice(breakBars, v, 0x22), 33, 63, 1);
            p.tracks[BASS] = fadeOut(bassLine(breakBars, kHeld, 0x24), 33, 63, 1);
            p.tracks[LEAD] = fadeOut(parseTrack(R"(
04 E-5 0A 20 ...
10 D-5 .. .. ...
12 C-5 .. .. ...
16 D-5 .. .. ...
20 E-5 .. .. ...
24 C-5 .. .. ...
28 A-4 .. .. ...
30-32 ... .. .. 434
)"),
                                     33, 63, 1);
            p.tracks[ECHO] = echo(p.tracks[LEAD], 3, 0x0C, 3);
            p.tracks[HATS] = fadeOut(drumTrack("................|o...o...o...o...|o.o.o.o.o.o.o.o.|o.o.o.o.o.o.o.o.", kHatClosed), 33, 63, 1);
            for (int r = 33; r < 64; ++r)  // the hats get quieter step by step
                if (p.tracks[HATS][static_cast<std::size_t>(r)].note)
                    p.tracks[HATS][static_cast<std::size_t>(r)].volume =
                        static_cast<std::uint8_t>(0x10 + std::max(0, 0x1A - (r - 33) * 26 / 31));
            break;
        }
    }
    return p;
}

Pattern glassCube(int part) {  // part 0..3 = orders 11..14
    Pattern p;
    const Progression& bars = kMain;
    p.tracks[KICK] = drumTrack(kFour, kKick);
    p.tracks[SNARE] = drumTrack(kBackbeatGhost, kSnare);
    p.tracks[HATS] = overlay(drumTrack(kHats16, kHatClosed), drumTrack(kOpenOff, kHatOpen));
    p.tracks[BASS] = bassLine(bars, "ROROROROROROROFO", 0x2E);
    pads(p, bars, 0x12);
    p.tracks[ARP] = arpLine(bars, "0123123023013012", kPluck, flat(0x12));
    p.tracks[LEAD] = parseTrack(part % 2 == 0 ? kThemeA : kThemeB);
    if (part >= 2) {  // bell an octave above, answering from the right
        p.tracks[ECHO] = transpose(withVolume(p.tracks[LEAD], 0x14), 12);
        for (Cell& c : p.tracks[ECHO])
            if (c.note && c.note != 97) c.instrument = kBell, c.effect = 0x8, c.param = 0xAF;
    } else {
        p.tracks[ECHO] = echo(p.tracks[LEAD], 3, 0x0E, 2);
    }
    p.tracks[FX] = stabs(bars, {0, 32}, 0x2C);
    if (part >= 1) p.tracks[CYMBAL] = cymbals({0}, 0x30);
    if (part == 3) {
        p.tracks[SNARE] = overlay(p.tracks[SNARE], drumTrack("................|................|................|........XxXxRRRR", kSnare));
        p.tracks[FX] = overlay(p.tracks[FX], parseTrack(R"(
56 A-4 06 30 ...
58 F-4 06 30 ...
60 D-4 06 34 ...
62 A-3 06 38 ...
)"));
    }
    return p;
}

Pattern spirograph(int part) {  // part 0..3 = orders 15..18
    static const Chord* halves[4][2] = {{&Am, &C}, {&F, &G}, {&Dm, &Am}, {&F, &E}};
    const Progression bars{{0, *halves[part][0]}, {32, *halves[part][1]}};
    Pattern p;
    p.tracks[KICK] = drumTrack(kHalfKick, kKick);
    p.tracks[SNARE] = drumTrack(kHalfSnare, kSnare);
    p.tracks[HATS] = drumTrack(kSwingHats, kHatClosed);
    p.tracks[BASS] = bassLine(bars, "R.....R...O.R..-", 0x2C);
    pads(p, bars, 0x14);
    // Chip flutter: each eighth plays a triad through the arpeggio effect.
    const bool minorA = halves[part][0] == &Am || halves[part][0] == &Dm;
    const bool minorB = halves[part][1] == &Am || halves[part][1] == &Dm;
    Track arp = arpLine(bars, "0.2.1.3.", kPluck, flat(0x14));
    for (int r = 0; r < kRows; ++r) {
        Cell& c = arp[static_cast<std::size_t>(r)];
        if (!c.note) continue;
        c.effect = 0x0;
        c.param = (r < 32 ? minorA : minorB) ? 0x37 : 0x47;
    }
    p.tracks[ARP] = arp;
    p.tracks[ECHO] = arpLine(bars, "3..1..2...0..2..", kBell, flat(0x10));
    static const char* leads[4] = {R"(
00 E-5 0A 24 ...
06-15 ... .. .. 444
16 D-5 .. .. ...
20 C-5 .. .. ...
24 B-4 .. .. ...
32 G-5 .. .. 306
33-36 ... .. .. 300
40-47 ... .. .. 445
48 E-5 .. .. ...
50-55 ... .. .. A02
56 === .. .. ...
)",
                                   R"(
00 A-5 0A 24 ...
06-15 ... .. .. 444
16 G-5 .. .. ...
20 F-5 .. .. ...
24 C-5 .. .. ...
32 B-5 .. .. 306
33-36 ... .. .. 300
40-47 ... .. .. 445
48 G-5 .. .. ...
50-55 ... .. .. A02
56 === .. .. ...
)",
                                   R"(
00 F-5 0A 24 ...
06-15 ... .. .. 444
16 A-5 .. .. ...
20 G-5 .. .. ...
24 F-5 .. .. ...
32 E-5 .. .. 306
33-36 ... .. .. 300
40-47 ... .. .. 445
48 C-5 .. .. ...
50-55 ... .. .. A02
56 === .. .. ...
)",
                                   R"(
00 A-5 0A 24 ...
06-15 ... .. .. 444
16 C-6 .. .. ...
20 B-5 .. .. ...
24 A-5 .. .. ...
32 G#5 .. .. 306
33-36 ... .. .. 300
40-47 ... .. .. 446
48 B-5 .. .. ...
52 E-5 .. .. ...
53-55 ... .. .. A03
56 === .. .. ...
)"};
    p.tracks[LEAD] = parseTrack(leads[part]);
    p.tracks[FX] = stabs(bars, {0, 32}, 0x30);
    p.tracks[CYMBAL] = cymbals({0, 32}, part == 0 ? 0x28 : 0x24);
    return p;
}

Pattern finale();

Pattern credits(int part) {  // part 0..8 = orders 19..27
    if (part == 8) return finale();
    Pattern p;
    const bool themed = part == 1 || part == 2 || part == 3 || part == 5 || part == 6 || part == 8;
    const Progression& bars = themed ? kMain : kOutro;
    const bool drums = part >= 2 && part <= 7;
    pads(p, bars, part == 8 ? 0x16 : 0x14, part == 8 ? 58 : -1);
    p.tracks[BASS] = bassLine(bars, drums ? "R.....R...R...O." : kHeld, 0x26);
    if (drums) {
        p.tracks[KICK] = drumTrack(kSoftKick, kKick);
        if (part != 7) p.tracks[SNARE] = drumTrack(kSoftSnare, kSnare);
        p.tracks[HATS] = drumTrack(part >= 5 ? kSwingHats : kSoftHats, kHatClosed);
    }
    switch (part) {
        case 0:
        case 4:
        case 7:  // the arpeggios carry these, with a long string line on top
            p.tracks[ARP] = arpLine(bars, "0.1.2.3.2.1.", kPluck, flat(0x12));
            p.tracks[LEAD] = parseTrack(R"(
00 C-5 09 1C ...
16 D-5 .. .. ...
32 B-4 .. .. ...
48 C-5 .. .. ...
56 E-5 .. .. ...
)");
            p.tracks[ECHO] = arpLine(bars, "3.......2.......", kBell, flat(0x0E));
            break;
        case 1:  // the theme, slow, on strings
            p.tracks[LEAD] = withVolume(parseTrack(kThemeA), 0x1C);
            for (Cell& c : p.tracks[LEAD])
                if (c.instrument) c.instrument = kStrings;
            p.tracks[ECHO] = echo(p.tracks[LEAD], 4, 0x0C, 3);
            break;
        default:
            p.tracks[LEAD] = withVolume(parseTrack(part % 2 ? kThemeB : kThemeA), 0x20);
            p.tracks[ECHO] = echo(p.tracks[LEAD], 3, 0x0C, part % 2 ? 12 : 3);
            p.tracks[ARP] = arpLine(bars, "0..1..2..3..2..1", kPluck, flat(0x0E));
            break;
    }
    if (part == 2) p.tracks[CYMBAL] = cymbals({0}, 0x20);
    return p;
}

// The last order the show plays: the theme's first phrase on the bell, then the final chord
// on row 16, held for most of a bar and faded row by row from row 27.  The show ends on the
// first frame of the next order, so the last second is the tail of the fade and row 62 is
// already silent.
Pattern finale() {
    Pattern p;
    const Progression bars{{0, Am}, {16, Amaj}};
    for (int v = 0; v < 3; ++v) p.tracks[PAD1 + v] = fadeOut(padVoice(bars, v, 0x22), 27, 63, 1);
    p.tracks[BASS] = fadeOut(bassLine(bars, kHeld, 0x24), 27, 63, 1);
    Track bell = withVolume(parseTrack(kThemeA), 0x1C);
    for (int r = 0; r < kRows; ++r) {
        Cell& c = bell[static_cast<std::size_t>(r)];
        if (r >= 16) c = Cell{};
        if (c.instrument) c.instrument = kBell;
    }
    p.tracks[LEAD] = overlay(bell, fadeOut(parseTrack("16 E-5 09 20 ..."), 27, 63, 1));
    Track bellEcho = echo(bell, 3, 0x0C, 3);
    for (int r = 16; r < kRows; ++r) bellEcho[static_cast<std::size_t>(r)] = Cell{};
    p.tracks[ECHO] = overlay(bellEcho, parseTrack("16 A-5 0C 20 ...\n22 E-5 0C 14 ...\n28 C#5 0C 10 ...\n34 A-4 0C 0C ..."));
    p.tracks[KICK] = drumTrack("................|X...............|................|................", kKick);
    p.tracks[CYMBAL] = cymbals({16}, 0x30);
    p.tracks[FX] = stabs(bars, {16}, 0x2C);
    return p;
}

}  // namespace

Song composeSong() {
    Song song;
    song.name = "velastria";
    song.speed = 6;
    song.bpm = 125;
    song.patterns.push_back(intro(false));
    song.patterns.push_back(intro(true));
    for (int i = 0; i < 5; ++i) song.patterns.push_back(landscape(i));
    for (int i = 0; i < 4; ++i) song.patterns.push_back(starfield(i));
    for (int i = 0; i < 4; ++i) song.patterns.push_back(glassCube(i));
    for (int i = 0; i < 4; ++i) song.patterns.push_back(spirograph(i));
    for (int i = 0; i < 9; ++i) song.patterns.push_back(credits(i));
    song.patterns.push_back(Pattern{});  // order 28: silence
    for (std::size_t i = 0; i < song.patterns.size(); ++i) song.orders.push_back(static_cast<std::uint8_t>(i));
    song.instruments = buildInstruments();
    return song;
}

}  // namespace songgen
