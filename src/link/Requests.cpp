#include "link/Requests.h"

#include "link/Framing.h"
#include "link/RegisterMap.h"

#include <array>

namespace req {

namespace {

// One row per run of codes: a single code, or base+1..base+N for channels 1..N.
struct Run {
    int base;
    bool perChannel;
    Phase phase;
    Block block;
    int after; // code that follows the run; 0 ends the sequence
};

constexpr std::array<Run, 23> kRuns{{
    {Live, false, Phase::Live, Block::Live, 0},
    {Scan, false, Phase::Scan, Block::Scan, 0},
    {Rescan, false, Phase::Rescan, Block::Scan, 0},
    {ReadModel, false, Phase::ReadParams, Block::Scan, ReadCommon},
    {ReadCommon, false, Phase::ReadParams, Block::Common, ReadCommon + 1},
    {ReadCommon, true, Phase::ReadParams, Block::Channel, 0},
    {UploadCommon, false, Phase::Upload, Block::Common, UploadCommon + 1},
    {UploadCommon, true, Phase::Upload, Block::Channel, 0},
    {WriteRange, true, Phase::Download, Block::Range, WriteName + 1},
    {WriteName, true, Phase::Download, Block::NameUnit, WriteRest + 1},
    {WriteRest, true, Phase::Download, Block::ChannelRest, WriteCommon2},
    {WriteCommon2, false, Phase::Download, Block::CommonPart2, WriteCommon1},
    {WriteCommon1, false, Phase::Download, Block::CommonPart1, 0},
    {ClockFrame, false, Phase::Clock, Block::Frame, 0},
    {BackupCommon, false, Phase::Backup, Block::Common, BackupCommon + 1},
    {BackupCommon, true, Phase::Backup, Block::Channel, 0},
    // One block a time: the engine goes back to live polling after each.
    {BackgroundCommon, false, Phase::Background, Block::Common, BackgroundCommon + 1},
    {BackgroundCommon, true, Phase::Background, Block::Channel, 0},
    // A restore writes back only the blocks written, in their order: the engine steps it.
    {RestoreBase, true, Phase::Restore, Block::Range, 0},
    {RestoreBase + WriteName - WriteRange, true, Phase::Restore, Block::NameUnit, 0},
    {RestoreBase + WriteRest - WriteRange, true, Phase::Restore, Block::ChannelRest, 0},
    {RestoreBase + WriteCommon2 - WriteRange, false, Phase::Restore, Block::CommonPart2, 0},
    {RestoreBase + WriteCommon1 - WriteRange, false, Phase::Restore, Block::CommonPart1, 0},
}};

const Run* runOf(int code, int* channel)
{
    for (const Run& r : kRuns) {
        if (!r.perChannel && code == r.base) {
            *channel = 0;
            return &r;
        }
        if (r.perChannel && code > r.base && code <= r.base + regmap::kMaxChannels) {
            *channel = code - r.base;
            return &r;
        }
    }
    return nullptr;
}

int firstCodeOf(Phase phase)
{
    switch (phase) {
    case Phase::ReadParams: return ReadCommon;
    case Phase::Upload: return UploadCommon;
    case Phase::Backup: return BackupCommon;
    case Phase::Download: return Download;
    default: return 0;
    }
}

// Weight of the sequence's blocks from its first code up to `code` (all of them for 0).
int weightUpTo(Phase phase, int code, int channels)
{
    int sum = 0;
    for (int c = firstCodeOf(phase); c != 0; c = NextCode(c, channels)) {
        sum += InfoOf(Decode(c).block).weight;
        if (c == code)
            break;
    }
    return sum;
}

} // namespace

const BlockInfo& InfoOf(Block block)
{
    using modbus::kReadHolding;
    using modbus::kWriteMultiple;
    // The weights give the progress the recorder's program has always shown:
    // registers for a download (with the two common parts counted 16 and 44
    // in that order), 74 and 193 for the blocks of an upload.
    static const std::array<BlockInfo, 11> kInfo{{
        {},
        {kReadHolding, regmap::kInputFirst, false, regmap::kInputCount, 0},
        {kReadHolding, regmap::kInputFirst, false, 2, 0},
        {kReadHolding, regmap::kCommonFirst, false, regmap::kCommonCount, 74},
        {kReadHolding, 1, true, regmap::kChannelRegs, 193},
        {kWriteMultiple, 10, true, 1, 1},
        {kWriteMultiple, 1, true, 9, 9},
        {kWriteMultiple, 11, true, 83, 83},
        {kWriteMultiple, 40031, false, 44, 16},
        {kWriteMultiple, 40001, false, 16, 44},
        {kWriteMultiple, 0, false, 0, 0},
    }};
    return kInfo[static_cast<size_t>(block)];
}

Step Decode(int code)
{
    int channel = 0;
    const Run* r = runOf(code, &channel);
    if (!r)
        return {code, Phase::None, Block::None, 0};
    return {code, r->phase, r->block, channel};
}

int NextCode(int code, int channels)
{
    int channel = 0;
    const Run* r = runOf(code, &channel);
    if (!r)
        return 0;
    if (r->perChannel && channel < channels)
        return code + 1;
    return r->after;
}

double ProgressAfter(int code, int channels)
{
    const Phase phase = Decode(code).phase;
    const int total = weightUpTo(phase, 0, channels);
    return total > 0 ? 100.0 * weightUpTo(phase, code, channels) / total : 0.0;
}

QString ProgressMessage(int code, int channels)
{
    const Step s = Decode(code);
    if (s.phase == Phase::Backup)
        return QStringLiteral("Reading the recorder's present set before the download...");
    if (s.phase == Phase::Restore)
        return QStringLiteral("Putting back what the download wrote...");
    switch (s.block) {
    case Block::Common:
    case Block::Channel:
        return NextCode(code, channels) == 0 ? QStringLiteral("Parameter upload complete.(VQ800==>PC)")
                                             : QStringLiteral("Parameter uploading...(VQ800==>PC)");
    case Block::NameUnit: return QStringLiteral("Parameter downloading(PC==>VQ800)");
    case Block::Range:
    case Block::ChannelRest: return QStringLiteral("Parameter downloading...(PC==>VQ800)");
    case Block::CommonPart2:
    case Block::CommonPart1: return QStringLiteral("Parameter Downloading(PC==>VQ800)");
    default: return QString();
    }
}

QString BlockName(int code)
{
    const Step s = Decode(code);
    return s.channel > 0 ? QStringLiteral("CH.%1 block").arg(s.channel, 2, 10, QLatin1Char('0')) : QStringLiteral("common block");
}

bool IsMonitoring(int code)
{
    const Phase p = Decode(code).phase;
    return p == Phase::Live || p == Phase::Rescan || p == Phase::Background;
}

int FirstRegister(const Step& step)
{
    const BlockInfo& info = InfoOf(step.block);
    return info.perChannel ? regmap::ChannelBase(step.channel) + info.first : info.first;
}

} // namespace req
