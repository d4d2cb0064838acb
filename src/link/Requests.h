#pragma once
// The request codes of the link and what each one asks of a recorder. The
// integer codes are what the link state carries and what windows post; the
// engine decodes a running code once into its phase, block and channel, and
// steps through a sequence with one table instead of number ranges.
#include <QString>
#include <QtGlobal>

namespace req {

// Request codes.
constexpr int Live = 11;          // live values of gMC_Index
constexpr int Rescan = 97;        // a device out of the round, asked again while monitoring
constexpr int ReadModel = 98;     // the selected device's model, when no answer has given it yet
constexpr int Scan = 99;          // device scan of gMC_Index
constexpr int ReadCommon = 100;   // parameters of the selected device: (98,) 100, then 101..100+N
constexpr int UploadCommon = 200; // upload: 200, then 201..200+N
constexpr int BackupCommon = 300; // before a download, the recorder's present set: 300, then 301..300+N
constexpr int BackgroundCommon = 400; // any online device's parameters, one block between live polls: 400, 401..400+N
constexpr int WriteRange = 500;   // download: 501..500+N range codes,
constexpr int WriteName = 520;    //   521..520+N name, unit and display switch,
constexpr int WriteRest = 540;    //   541..540+N the rest of each channel,
constexpr int WriteCommon2 = 553; //   553 common part 2,
constexpr int WriteCommon1 = 554; //   554 common part 1
constexpr int ClockFrame = 601;   // a frame prepared by the clock window
constexpr int RestoreBase = 700;  // putting back a block a broken download wrote: 700 + (its code - 500)
constexpr int Download = WriteRange + 1;
constexpr int Upload = UploadCommon;

// What a sequence of codes is doing.
enum class Phase { None, Scan, ReadParams, Live, Upload, Download, Clock, Rescan, Backup, Restore, Background };

// The register block one code moves.
enum class Block { None, Live, Scan, Common, Channel, Range, NameUnit, ChannelRest, CommonPart2, CommonPart1, Frame };

struct BlockInfo {
    quint8 function = 0;  // 3 read, 16 write
    int first = 0;        // first register, or offset from the channel base B = 40000 + 100c
    bool perChannel = false;
    int count = 0;        // registers
    int weight = 0;       // share of the sequence's progress
};
const BlockInfo& InfoOf(Block block);

// A running code decoded.
struct Step {
    int code = 0;
    Phase phase = Phase::None;
    Block block = Block::None;
    int channel = 0; // 1..12 for per-channel blocks, else 0
    bool valid() const { return phase != Phase::None; }
};
// The phase, block and channel of a code; Phase::None for a code no table row has.
Step Decode(int code);
// The code after `code` in its sequence over `channels` channels; 0 when the
// sequence ends with it. Scan and clock frames are stepped by the engine.
int NextCode(int code, int channels);
// Progress after the answer to `code`, in percent of its sequence.
double ProgressAfter(int code, int channels);
// Message shown while a transfer runs, after the answer to `code`.
QString ProgressMessage(int code, int channels);
// First register of the block of a step (the channel base applied).
int FirstRegister(const Step& step);
// The restore code of a download block's code (501 -> 701), and back.
inline int RestoreCodeOf(int downloadCode) { return downloadCode - WriteRange + RestoreBase; }
// "CH.03 block", "common block": how messages name the block of a code.
QString BlockName(int code);
// The link is monitoring: live values are polled (a device out of the round
// may be asked again, or a block of a device's parameters read, in between).
bool IsMonitoring(int code);
// A code's answer carries live values of the device asked.
inline bool CarriesLiveValues(int code) { return Decode(code).block == Block::Live; }

} // namespace req
