#include "music/loader.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "music/audio_output.h"
#include "music/file_access.h"
#include "music/player.h"

Sample& emptySample() {
    static Sample sample;
    return sample;
}

Instrument& emptyInstrument() {
    static Instrument instrument = [] {
        Instrument i;
        i.samples.fill(&emptySample());
        return i;
    }();
    return instrument;
}

namespace {

// Reads clamp to the bytes that exist; reading or seeking past the end sets a sticky
// error flag and yields zeros.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    std::size_t tell() const { return pos; }
    std::size_t size() const { return bytes.size(); }
    std::size_t left() const { return bytes.size() - pos; }
    bool failed() const { return error; }

    void seek(std::uint64_t target) {
        if (target > bytes.size()) {
            error = true;
            pos = bytes.size();
        } else {
            pos = static_cast<std::size_t>(target);
        }
    }
    void skip(std::uint64_t n) { seek(pos + n); }

    void read(void* destination, std::size_t n) {
        const std::size_t take = std::min(n, left());
        if (take) std::memcpy(destination, bytes.data() + pos, take);
        if (take < n) {
            std::memset(static_cast<std::uint8_t*>(destination) + take, 0, n - take);
            error = true;
        }
        pos += take;
    }
    std::uint8_t u8() {
        std::uint8_t v = 0;
        read(&v, 1);
        return v;
    }
    std::uint16_t u16() {
        std::uint8_t b[2];
        read(b, 2);
        return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    }
    std::uint32_t u32() {
        std::uint8_t b[4];
        read(b, 4);
        return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
               (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    }

private:
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
    bool error = false;
};

// Reads the whole file through the callbacks (there is no way to ask for its size).
bool readWholeStream(ModuleStream* stream, std::vector<std::uint8_t>& out) {
    constexpr std::int32_t chunk = 1 << 16;
    streamSeek(stream, 0, 0);
    for (;;) {
        const std::size_t at = out.size();
        if (at + chunk > maxModuleFileBytes + chunk) return false;  // refuse absurd sizes
        out.resize(at + chunk);
        const std::int32_t got = streamRead(stream, out.data() + at, chunk);
        const std::int32_t kept = std::clamp(got, 0, chunk);
        out.resize(at + static_cast<std::size_t>(kept));
        if (kept < chunk) break;
    }
    return out.size() <= maxModuleFileBytes;
}

bool parsePatterns(ByteReader& in, Module& m, int storedPatterns, int fileChannels) {
    const int channels = m.channelCount;
    for (int p = 0; p < storedPatterns; ++p) {
        const std::size_t start = in.tell();
        const std::uint32_t headerLength = in.u32();
        in.u8();  // packing type
        std::uint32_t rows = in.u16();
        const std::uint16_t packedSize = in.u16();
        // A longer header carries bytes we do not know; skip them as a tracker would.
        if (headerLength > 9) in.seek(start + headerLength);
        if (in.failed()) return false;
        if (rows > maxPatternRows) return false;  // row positions are 8-bit everywhere
        Pattern& pattern = m.patterns[static_cast<std::size_t>(p)];
        if (rows == 0) {
            // No rows at all: play it as the empty 64-row pattern trackers create by default
            // and step over whatever data it claims to hold.
            pattern.rows = 64;
            pattern.cells.assign(static_cast<std::size_t>(64 * channels), NoteCell{});
            in.skip(packedSize);
            continue;
        }
        pattern.rows = static_cast<std::int32_t>(rows);
        pattern.cells.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(channels), NoteCell{});
        if (packedSize == 0) continue;
        for (std::uint32_t r = 0; r < rows; ++r) {
            for (int k = 0; k < fileChannels; ++k) {
                NoteCell c;
                const std::uint8_t b = in.u8();
                if (b & 0x80) {
                    if (b & 0x01) c.note = in.u8();
                    if (b & 0x02) c.instrument = in.u8();
                    if (b & 0x04) c.volume = in.u8();
                    if (b & 0x08) c.effect = in.u8();
                    if (b & 0x10) c.param = in.u8();
                } else {
                    c.note = b;
                    c.instrument = in.u8();
                    c.volume = in.u8();
                    c.effect = in.u8();
                    c.param = in.u8();
                }
                if (c.note == 97)
                    c.note = keyOffNote;
                else if (c.note > 97)
                    c.note = 0;  // not a note any tracker writes: treat as empty
                if (c.instrument > 128) c.instrument = 0;
                // Channels beyond the 32 the player holds are read and dropped.
                if (k < channels) pattern.cells[r * static_cast<std::size_t>(channels) + static_cast<std::size_t>(k)] = c;
            }
            if (in.failed()) return false;
        }
    }
    return true;
}

void readEnvelope(ByteReader& in, std::array<EnvelopePoint, maxEnvelopePoints>& points) {
    for (EnvelopePoint& point : points) {
        point.x = in.u16();
        point.y = in.u16();
    }
}

// Keeps every envelope index inside the 12 points and the values inside 0..64, so the
// envelope step never leaves its array or its range.
void sanitizeEnvelope(std::array<EnvelopePoint, maxEnvelopePoints>& points, std::uint8_t& count,
                      std::uint8_t& sustain, std::uint8_t& loopStart, std::uint8_t& loopEnd, std::uint8_t& type) {
    count = std::min<std::uint8_t>(count, maxEnvelopePoints);
    // An envelope starts with its note: a first point written after tick 0 is read as at
    // tick 0, as other players read it, instead of leaving the note silent until then.
    if (count > 0) points[0].x = 0;
    for (std::uint8_t i = 0; i < count; ++i) {
        points[i].y = std::min<std::uint16_t>(points[i].y, 64);
        // Ticks must not go backwards, or the envelope would never reach its next point.
        if (i > 0 && points[i].x < points[i - 1].x) {
            count = i;
            break;
        }
    }
    if (count < 2) {
        type = 0;
        return;
    }
    if (sustain >= count) type &= static_cast<std::uint8_t>(~2);
    if (loopStart >= count || loopEnd >= count || loopStart > loopEnd) type &= static_cast<std::uint8_t>(~4);
}

enum class InstrumentRead { Ok, Truncated, Refused };

InstrumentRead parseInstrument(ByteReader& in, Module& m, int index) {
    Instrument& ins = m.instruments[static_cast<std::size_t>(index)];
    ins.samples.fill(&emptySample());
    const std::size_t p = in.tell();
    const std::uint32_t h = in.u32();
    // The fields of a short header that lie beyond its declared size read as zero.
    auto within = [&](std::size_t offset) { return offset < h; };
    in.skip(22 + 1);
    std::uint16_t count = in.u16();
    if (!within(27)) count = 0;
    if (count > maxSamplesPerInstrument) return InstrumentRead::Refused;
    ins.sampleCount = count;
    if (in.failed()) return InstrumentRead::Truncated;
    if (count == 0) {
        in.seek(p + std::max<std::uint32_t>(h, 4));
        return in.failed() ? InstrumentRead::Truncated : InstrumentRead::Ok;
    }
    in.u32();  // sample header size: sample headers are always 40 bytes
    std::array<std::uint8_t, 241> header{};  // the rest of the standard header, from offset 33
    in.read(header.data(), header.size());
    if (h < 33 + header.size())
        std::fill(header.begin() + std::max<std::int64_t>(0, static_cast<std::int64_t>(h) - 33), header.end(), 0);
    ByteReader fields{std::span<const std::uint8_t>(header)};
    for (std::uint8_t& n : ins.noteSample) n = fields.u8();
    readEnvelope(fields, ins.volumeEnvelope);
    readEnvelope(fields, ins.panningEnvelope);
    ins.volumePointCount = fields.u8();
    ins.panningPointCount = fields.u8();
    ins.volumeSustain = fields.u8();
    ins.volumeLoopStart = fields.u8();
    ins.volumeLoopEnd = fields.u8();
    ins.panningSustain = fields.u8();
    ins.panningLoopStart = fields.u8();
    ins.panningLoopEnd = fields.u8();
    ins.volumeType = fields.u8();
    ins.panningType = fields.u8();
    ins.vibratoType = fields.u8();
    ins.vibratoSweep = fields.u8();
    ins.vibratoDepth = fields.u8();
    ins.vibratoRate = fields.u8();
    // Doubled as stored; a file value above 32767 would wrap, so it saturates instead.
    ins.fadeout = static_cast<std::uint16_t>(std::min<std::uint32_t>(fields.u16() * 2u, 0xFFFF));
    sanitizeEnvelope(ins.volumeEnvelope, ins.volumePointCount, ins.volumeSustain, ins.volumeLoopStart,
                     ins.volumeLoopEnd, ins.volumeType);
    sanitizeEnvelope(ins.panningEnvelope, ins.panningPointCount, ins.panningSustain, ins.panningLoopStart,
                     ins.panningLoopEnd, ins.panningType);
    in.seek(p + h);
    if (in.failed()) return InstrumentRead::Truncated;

    for (int s = 0; s < count; ++s) {
        auto sample = std::make_unique<Sample>();
        std::uint32_t length = in.u32();
        std::uint32_t loopStart = in.u32();
        std::uint32_t loopLength = in.u32();
        sample->volume = std::min<std::uint8_t>(in.u8(), 64);
        sample->finetune = static_cast<std::int8_t>(in.u8());
        const std::uint8_t type = in.u8();
        sample->panning = in.u8();
        sample->relativeNote = static_cast<std::int8_t>(in.u8());
        in.skip(23);
        sample->loopMode = 1;
        sample->bits = 8;
        if (type & 1) sample->loopMode = 2;
        if (type & 2) sample->loopMode = 4;
        if (type & 0x10) sample->bits = 16;
        if (sample->loopMode == 1) {
            loopStart = 0;
            loopLength = length;
        }
        if (sample->bits == 16) {
            length /= 2;
            loopStart /= 2;
            loopLength /= 2;
        }
        if (loopLength == 0) {
            loopStart = 0;
            loopLength = length;
            sample->loopMode = 1;
        }
        sample->length = length;
        sample->loopStart = loopStart;
        sample->loopLength = loopLength;
        ins.samples[static_cast<std::size_t>(s)] = sample.get();
        ins.ownedSamples.push_back(std::move(sample));
    }
    if (in.failed()) return InstrumentRead::Truncated;

    for (int s = 0; s < count; ++s) {
        Sample& sample = *ins.ownedSamples[static_cast<std::size_t>(s)];
        const std::uint32_t width = sample.bits / 8u;
        // A file cut inside the sample data keeps what is there: the length shrinks to the
        // whole samples present, so nothing is read past the end and no buffer is oversized.
        const std::uint64_t wanted = static_cast<std::uint64_t>(sample.length) * width;
        if (wanted > in.left()) sample.length = static_cast<std::uint32_t>(in.left() / width);
        const std::uint32_t bytes = sample.length * width;
        if (sample.length > 0) {
            sample.data.assign(static_cast<std::size_t>(sample.length) + sampleGuardSamples, 0);
            if (m.sampleProvider) {
                std::vector<std::uint8_t> raw(bytes, 0);
                m.sampleProvider(raw.data(), static_cast<std::int32_t>(bytes), sample.bits, index, s);
                in.skip(bytes);
                for (std::uint32_t i = 0; i < sample.length; ++i)
                    sample.data[i] = width == 1 ? static_cast<std::int16_t>(static_cast<std::uint16_t>(raw[i] << 8))
                                                : static_cast<std::int16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
            } else {
                std::uint16_t running = 0;
                for (std::uint32_t i = 0; i < sample.length; ++i) {
                    const std::uint16_t v = width == 1 ? static_cast<std::uint16_t>(in.u8() << 8) : in.u16();
                    running = static_cast<std::uint16_t>(running + v);
                    sample.data[i] = static_cast<std::int16_t>(running);
                }
            }
        }
        sample.bits = 16;
        // Loops must lie inside the data, or the guard write and the mixer would leave it.
        if (sample.loopStart >= sample.length) {
            sample.loopStart = 0;
            sample.loopLength = sample.length;
            sample.loopMode = 1;
        } else if (sample.loopLength > sample.length - sample.loopStart) {
            sample.loopLength = sample.length - sample.loopStart;
        }
        if (sample.loopMode == 1) {
            sample.loopStart = 0;
            sample.loopLength = sample.length;
        }
        if (sample.length > 0) {
            const std::uint32_t end = sample.loopStart + sample.loopLength;
            if (sample.loopMode == 4)
                sample.data[end] = sample.data[end - 1];
            else if (sample.loopMode == 2)
                sample.data[end] = sample.data[sample.loopStart];
            sample.mixData.assign(sample.data.begin(), sample.data.end());
        }
    }
    return InstrumentRead::Ok;
}

bool parseModule(ByteReader& in, Module& m) {
    char signature[17];
    in.read(signature, sizeof signature);
    if (in.failed() || std::memcmp(signature, "Extended Module: ", 17) != 0) return false;
    m.tickHandler = &tickHandler;
    m.defaultGlobalVolume = 64;

    in.seek(60);
    const std::uint32_t headerSize = in.u32();
    std::uint16_t songLength = in.u16();
    std::uint16_t restart = in.u16();
    const std::uint16_t fileChannels = in.u16();
    const std::uint16_t storedPatterns = in.u16();
    std::uint16_t instrumentCount = in.u16();
    m.flags = in.u16();
    std::uint16_t speed = in.u16();
    std::uint16_t bpm = in.u16();
    in.read(m.orderTable.data(), m.orderTable.size());
    if (in.failed()) return false;
    // The order table ends 20 + 256 bytes after the size field; a smaller header would put
    // the patterns inside it.
    if (headerSize < 20) return false;
    if (fileChannels == 0 || storedPatterns > maxPatterns) return false;

    // A song always has at least one order; at most 256 fit the table.
    songLength = std::clamp<std::uint16_t>(songLength, 1, maxOrders);
    if (restart >= songLength) restart = 0;
    // Tempo 0 would stall the mixer: fall back to the usual default.  Larger tempos are
    // capped where the tempo effect stops.
    if (bpm == 0) bpm = 125;
    bpm = std::min<std::uint16_t>(bpm, 255);
    speed = std::min<std::uint16_t>(speed, 255);
    // Instruments beyond 128 cannot be named by a cell; they are not read.
    instrumentCount = std::min<std::uint16_t>(instrumentCount, maxInstruments);
    m.songLength = static_cast<std::int16_t>(songLength);
    m.restartPosition = static_cast<std::int16_t>(restart);
    m.channelCount = static_cast<std::int16_t>(std::min<std::uint16_t>(fileChannels, maxChannels));
    m.defaultSpeed = static_cast<std::int16_t>(speed);
    m.defaultBpm = static_cast<std::int16_t>(bpm);
    m.instrumentCount = static_cast<std::int16_t>(instrumentCount);

    in.seek(60ull + headerSize);
    if (in.failed()) return false;
    int largest = -1;
    for (int i = 0; i < songLength; ++i) largest = std::max<int>(largest, m.orderTable[static_cast<std::size_t>(i)]);
    m.patternCount = largest + 1;
    m.patternSlots = std::max<std::int32_t>(m.patternCount, storedPatterns);
    m.patterns.resize(static_cast<std::size_t>(m.patternSlots));
    if (!parsePatterns(in, m, storedPatterns, fileChannels)) return false;
    for (int p = storedPatterns; p < m.patternCount; ++p) {
        m.patterns[static_cast<std::size_t>(p)].rows = 64;
        m.patterns[static_cast<std::size_t>(p)].cells.assign(static_cast<std::size_t>(64 * m.channelCount), NoteCell{});
    }

    m.instruments.resize(static_cast<std::size_t>(instrumentCount));
    for (int i = 0; i < instrumentCount; ++i) {
        // A file cut inside the instruments keeps the ones read so far; the rest stay empty.
        const InstrumentRead result = parseInstrument(in, m, i);
        if (result == InstrumentRead::Refused) return false;
        if (result == InstrumentRead::Truncated) {
            for (int rest = i; rest < instrumentCount; ++rest) {
                Instrument& r = m.instruments[static_cast<std::size_t>(rest)];
                r = Instrument{};
                r.samples.fill(&emptySample());
            }
            break;
        }
    }
    m.visitedRows.assign(static_cast<std::size_t>(maxOrders) * maxPatternRows, 0);
    return true;
}

}  // namespace

Module* loadModuleFromMemory(const std::uint8_t* bytes, std::size_t size, SampleDataProvider provider) {
    if (!bytes && size) return nullptr;
    auto module = std::make_unique<Module>();
    module->sampleProvider = std::move(provider);
    ByteReader in{std::span<const std::uint8_t>(bytes, size)};
    if (!parseModule(in, *module)) return nullptr;
    return module.release();
}

Module* loadModule(const char* fileName, SampleDataProvider provider) {
    auto stream = streamOpen(fileName);
    if (!stream) return nullptr;
    std::vector<std::uint8_t> bytes;
    const bool complete = readWholeStream(stream.get(), bytes);
    streamClose(std::move(stream));
    if (!complete) return nullptr;
    return loadModuleFromMemory(bytes.data(), bytes.size(), std::move(provider));
}

bool freeModule(Module* module) {
    if (!module) return false;
    std::unique_ptr<Module> owned{module};
    stopPlaybackOf(module);
    return true;
}
