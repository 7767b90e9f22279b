// The header hosts build against (include/tvboard.h), held against the
// module's own definitions of the same records and tables, field by field and
// slot by slot, so the two cannot drift apart. It produces no code; it is
// compiled with the module in every build, so the check holds for each ABI.
#define TVBOARD_NO_PROTOTYPES 1
#include "include/tvboard.h"

#include "frame/abi.h"
#include "frame/host.h"
#include "frame/kservices.h"

#include <type_traits>

namespace {

// The size of a type as it crosses the interface; every pointer is one
// machine word.
template <typename T> struct Bytes { static constexpr size_t value = sizeof(T); };
template <typename T> struct Bytes<T*> { static constexpr size_t value = sizeof(void*); };

// Two records agree when they have the same size; each field pair is then
// checked at the same offset and of the same size.
#define TVB_SAME_SIZE(ours, theirs)                                                                \
    static_assert(sizeof(ours) == sizeof(theirs), #ours " and " #theirs " differ in size")
#define TVB_SAME_FIELD(ours, theirs, field)                                                        \
    static_assert(offsetof(ours, field) == offsetof(theirs, field) &&                              \
                      Bytes<decltype(ours::field)>::value ==                                       \
                          Bytes<decltype(theirs::field)>::value,                                   \
                  #ours "::" #field " differs from " #theirs)

// Two slot types agree when they take the same number of arguments with the
// same sizes and the same pointer-ness, return a result of the same size
// and, on the 32-bit target, are both stdcall (the partial specialisation
// matches only the calling convention it names).
template <typename T> struct Slot;
template <typename R, typename... A> struct Slot<R(TVB_STDCALL*)(A...)> {
    static constexpr size_t kArgs = sizeof...(A);
    static constexpr size_t kArgBytes = (size_t{0} + ... + Bytes<A>::value);
    static constexpr size_t kPointers = (size_t{0} + ... + (std::is_pointer<A>::value ? 1 : 0));
    static constexpr size_t kResult = sizeof(R);
};
template <typename... A> struct Slot<void(TVB_STDCALL*)(A...)> {
    static constexpr size_t kArgs = sizeof...(A);
    static constexpr size_t kArgBytes = (size_t{0} + ... + Bytes<A>::value);
    static constexpr size_t kPointers = (size_t{0} + ... + (std::is_pointer<A>::value ? 1 : 0));
    static constexpr size_t kResult = 0;
};
template <typename Ours, typename Theirs> constexpr bool SameSlot() {
    return Slot<Ours>::kArgs == Slot<Theirs>::kArgs &&
           Slot<Ours>::kArgBytes == Slot<Theirs>::kArgBytes &&
           Slot<Ours>::kPointers == Slot<Theirs>::kPointers &&
           Slot<Ours>::kResult == Slot<Theirs>::kResult;
}
#define TVB_SAME_SLOT(ours, theirs, slot)                                                          \
    static_assert(SameSlot<decltype(ours::slot), decltype(theirs::slot)>(),                        \
                  #ours "::" #slot " differs from " #theirs)

TVB_SAME_SIZE(TVTunerSettings, TVB_TUNER_SETTINGS);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, Reserved0);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, Reserved4);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, Mode);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, VideoStandard);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, Frequency);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, TuneInfo1);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, TuneInfo2);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, TunerInput);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, Busy);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, AudioMode);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, PllOffset);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, SignalStrength);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, RequestId);
TVB_SAME_FIELD(TVTunerSettings, TVB_TUNER_SETTINGS, Result);

TVB_SAME_SIZE(BoardInfo, TVB_BOARD_INFO);
TVB_SAME_FIELD(BoardInfo, TVB_BOARD_INFO, Name);
TVB_SAME_FIELD(BoardInfo, TVB_BOARD_INFO, Word64);
TVB_SAME_FIELD(BoardInfo, TVB_BOARD_INFO, Word68);
TVB_SAME_FIELD(BoardInfo, TVB_BOARD_INFO, Word72);

TVB_SAME_SIZE(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, Name);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, Description);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, Reserved320);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, Size);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, Standards);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, FrameRate);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, Width);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, Height);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, Word344);
TVB_SAME_FIELD(VideoStandardDescriptor, TVB_VIDEO_STANDARD_DESCRIPTOR, Tail);

TVB_SAME_SIZE(VideoPropertyDefaults, TVB_VIDEO_PROPERTY_DEFAULTS);
TVB_SAME_FIELD(VideoPropertyDefaults, TVB_VIDEO_PROPERTY_DEFAULTS, Value);
TVB_SAME_SIZE(SensorInitRecord, TVB_SENSOR_INIT_RECORD);
TVB_SAME_FIELD(SensorInitRecord, TVB_SENSOR_INIT_RECORD, VideoInput);
TVB_SAME_FIELD(SensorInitRecord, TVB_SENSOR_INIT_RECORD, RestartValue);
TVB_SAME_SIZE(AudioFormat, TVB_AUDIO_FORMAT);
TVB_SAME_FIELD(AudioFormat, TVB_AUDIO_FORMAT, SampleRate);
TVB_SAME_FIELD(AudioFormat, TVB_AUDIO_FORMAT, FormatMode);
TVB_SAME_FIELD(AudioFormat, TVB_AUDIO_FORMAT, FormatWord);
TVB_SAME_SIZE(AudioInterfaceConfig, TVB_AUDIO_INTERFACE_CONFIG);
TVB_SAME_FIELD(AudioInterfaceConfig, TVB_AUDIO_INTERFACE_CONFIG, Word);
TVB_SAME_SIZE(TunerModeCaps, TVB_TUNER_MODE_CAPS);
TVB_SAME_FIELD(TunerModeCaps, TVB_TUNER_MODE_CAPS, MinFrequency);
TVB_SAME_FIELD(TunerModeCaps, TVB_TUNER_MODE_CAPS, MaxFrequency);
TVB_SAME_FIELD(TunerModeCaps, TVB_TUNER_MODE_CAPS, TuningGranularity);
TVB_SAME_FIELD(TunerModeCaps, TVB_TUNER_MODE_CAPS, NumberOfInputs);
TVB_SAME_FIELD(TunerModeCaps, TVB_TUNER_MODE_CAPS, SettlingTime);

TVB_SAME_SIZE(HostOpsTable, TVB_HOST_OPS);
TVB_SAME_SLOT(HostOpsTable, TVB_HOST_OPS, WriteReg16);
TVB_SAME_SLOT(HostOpsTable, TVB_HOST_OPS, ReadReg16);
TVB_SAME_SLOT(HostOpsTable, TVB_HOST_OPS, BusWrite);
TVB_SAME_SLOT(HostOpsTable, TVB_HOST_OPS, BusRead);
TVB_SAME_SLOT(HostOpsTable, TVB_HOST_OPS, Reserved4);
TVB_SAME_SLOT(HostOpsTable, TVB_HOST_OPS, Reserved5);
TVB_SAME_SLOT(HostOpsTable, TVB_HOST_OPS, WritePins);
TVB_SAME_SLOT(HostOpsTable, TVB_HOST_OPS, ReadPins);
TVB_SAME_FIELD(HostOpsTable, TVB_HOST_OPS, ReadPins);

TVB_SAME_SIZE(BoardOpsTable, TVB_BOARD_OPS);
TVB_SAME_SLOT(BoardOpsTable, TVB_BOARD_OPS, OpenBoard);
TVB_SAME_SLOT(BoardOpsTable, TVB_BOARD_OPS, CloseBoard);

TVB_SAME_SIZE(VideoOpsTable, TVB_VIDEO_OPS);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, Slot0);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, Slot1);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, GetVideoStandards);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, GetVideoPropertyDefaults);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, InitializeSensor);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, Slot5);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, Slot6);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, Slot7);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, SetVideoProperty);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, GetVideoProperty);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, Slot10);
TVB_SAME_SLOT(VideoOpsTable, TVB_VIDEO_OPS, Slot11);
TVB_SAME_FIELD(VideoOpsTable, TVB_VIDEO_OPS, Slot11);

TVB_SAME_SIZE(AudioOpsTable, TVB_AUDIO_OPS);
TVB_SAME_SLOT(AudioOpsTable, TVB_AUDIO_OPS, Slot0);
TVB_SAME_SLOT(AudioOpsTable, TVB_AUDIO_OPS, GetAudioFormat);
TVB_SAME_SLOT(AudioOpsTable, TVB_AUDIO_OPS, SetAudioSampleRate);
TVB_SAME_SLOT(AudioOpsTable, TVB_AUDIO_OPS, Slot3);

TVB_SAME_SIZE(InputOpsTable, TVB_INPUT_OPS);
TVB_SAME_SLOT(InputOpsTable, TVB_INPUT_OPS, Slot0);
TVB_SAME_SLOT(InputOpsTable, TVB_INPUT_OPS, InputQuery);
TVB_SAME_SLOT(InputOpsTable, TVB_INPUT_OPS, Slot2);
TVB_SAME_SLOT(InputOpsTable, TVB_INPUT_OPS, InputSelect);
TVB_SAME_SLOT(InputOpsTable, TVB_INPUT_OPS, Slot4);

TVB_SAME_SIZE(TunerOpsTable, TVB_TUNER_OPS);
TVB_SAME_SLOT(TunerOpsTable, TVB_TUNER_OPS, GetTunerModeCaps);
TVB_SAME_SLOT(TunerOpsTable, TVB_TUNER_OPS, GetTunerProperty);
TVB_SAME_SLOT(TunerOpsTable, TVB_TUNER_OPS, SetTunerProperty);

TVB_SAME_SIZE(BoardModuleCaps, TVB_BOARD_MODULE_CAPS);
TVB_SAME_FIELD(BoardModuleCaps, TVB_BOARD_MODULE_CAPS, Size);
TVB_SAME_FIELD(BoardModuleCaps, TVB_BOARD_MODULE_CAPS, Word4);
TVB_SAME_FIELD(BoardModuleCaps, TVB_BOARD_MODULE_CAPS, Word8);
TVB_SAME_FIELD(BoardModuleCaps, TVB_BOARD_MODULE_CAPS, Word12);
TVB_SAME_FIELD(BoardModuleCaps, TVB_BOARD_MODULE_CAPS, BoardOps);
TVB_SAME_FIELD(BoardModuleCaps, TVB_BOARD_MODULE_CAPS, VideoOps);
TVB_SAME_FIELD(BoardModuleCaps, TVB_BOARD_MODULE_CAPS, AudioOps);
TVB_SAME_FIELD(BoardModuleCaps, TVB_BOARD_MODULE_CAPS, InputOps);
TVB_SAME_FIELD(BoardModuleCaps, TVB_BOARD_MODULE_CAPS, TunerOps);

static_assert(SameSlot<decltype(&GetBoardModuleCaps), TVB_GET_BOARD_MODULE_CAPS_FN>(),
              "GetBoardModuleCaps differs from TVB_GET_BOARD_MODULE_CAPS_FN");

// The constants hosts pass and receive.
static_assert(TVB_DECODER_ADDRESS == DecoderAddress && TVB_IF_DEMOD_ADDRESS == IfDemodAddress &&
                  TVB_SYNTH_ADDRESS == SynthAddress,
              "bus addresses");
static_assert(TVB_REG16_ADDRESS_BITS == kReg16AddressBits && TVB_BUS_READ_MODE == kBusReadMode &&
                  TVB_BUS_TRANSFER_FLAGS == kBusTransferFlags,
              "constant bus arguments");
static_assert(TVB_STATUS_SUCCESS == kStatusSuccess &&
                  TVB_STATUS_INSUFFICIENT_RESOURCES == kStatusInsufficientResources,
              "status codes");
static_assert(TVB_POOL_TAG == kPoolTagWdm, "pool tag");

} // namespace
