#include "cec_infoframes/CecTables.h"

#include <linux/cec.h>

namespace cec
{
namespace
{

const char *const AddressNames[] = {
    "TV",        "Recording 1", "Recording 2", "Tuner 1",  "Playback 1",   "Audio System",
    "Tuner 2",   "Tuner 3",     "Playback 2",  "Recording 3", "Tuner 4",   "Playback 3",
    "Backup 1",  "Backup 2",    "Specific Use",
};
static_assert(std::size(AddressNames) == CEC_LOG_ADDR_SPECIFIC + 1);

struct ValueName {
    std::uint8_t value;
    const char *name;
};

const ValueName PowerStatuses[] = {
    {CEC_OP_POWER_STATUS_ON, "on"},
    {CEC_OP_POWER_STATUS_STANDBY, "standby"},
    {CEC_OP_POWER_STATUS_TO_ON, "in transition standby to on"},
    {CEC_OP_POWER_STATUS_TO_STANDBY, "in transition on to standby"},
};

const ValueName UiCommands[] = {
    {CEC_OP_UI_CMD_SELECT, "select"},
    {CEC_OP_UI_CMD_UP, "up"},
    {CEC_OP_UI_CMD_DOWN, "down"},
    {CEC_OP_UI_CMD_LEFT, "left"},
    {CEC_OP_UI_CMD_RIGHT, "right"},
    {CEC_OP_UI_CMD_RIGHT_UP, "right up"},
    {CEC_OP_UI_CMD_RIGHT_DOWN, "right down"},
    {CEC_OP_UI_CMD_LEFT_UP, "left up"},
    {CEC_OP_UI_CMD_LEFT_DOWN, "left down"},
    {CEC_OP_UI_CMD_DEVICE_ROOT_MENU, "root menu"},
    {CEC_OP_UI_CMD_DEVICE_SETUP_MENU, "setup menu"},
    {CEC_OP_UI_CMD_CONTENTS_MENU, "contents menu"},
    {CEC_OP_UI_CMD_FAVORITE_MENU, "favorite menu"},
    {CEC_OP_UI_CMD_BACK, "exit"},
    {CEC_OP_UI_CMD_MEDIA_TOP_MENU, "media top menu"},
    {CEC_OP_UI_CMD_MEDIA_CONTEXT_SENSITIVE_MENU, "media context menu"},
    {CEC_OP_UI_CMD_NUMBER_ENTRY_MODE, "number entry mode"},
    {CEC_OP_UI_CMD_NUMBER_11, "number 11"},
    {CEC_OP_UI_CMD_NUMBER_12, "number 12"},
    {CEC_OP_UI_CMD_NUMBER_0_OR_NUMBER_10, "number 0"},
    {CEC_OP_UI_CMD_NUMBER_1, "number 1"},
    {CEC_OP_UI_CMD_NUMBER_2, "number 2"},
    {CEC_OP_UI_CMD_NUMBER_3, "number 3"},
    {CEC_OP_UI_CMD_NUMBER_4, "number 4"},
    {CEC_OP_UI_CMD_NUMBER_5, "number 5"},
    {CEC_OP_UI_CMD_NUMBER_6, "number 6"},
    {CEC_OP_UI_CMD_NUMBER_7, "number 7"},
    {CEC_OP_UI_CMD_NUMBER_8, "number 8"},
    {CEC_OP_UI_CMD_NUMBER_9, "number 9"},
    {CEC_OP_UI_CMD_DOT, "dot"},
    {CEC_OP_UI_CMD_ENTER, "enter"},
    {CEC_OP_UI_CMD_CLEAR, "clear"},
    {CEC_OP_UI_CMD_NEXT_FAVORITE, "next favorite"},
    {CEC_OP_UI_CMD_CHANNEL_UP, "channel up"},
    {CEC_OP_UI_CMD_CHANNEL_DOWN, "channel down"},
    {CEC_OP_UI_CMD_PREVIOUS_CHANNEL, "previous channel"},
    {CEC_OP_UI_CMD_SOUND_SELECT, "sound select"},
    {CEC_OP_UI_CMD_INPUT_SELECT, "input select"},
    {CEC_OP_UI_CMD_DISPLAY_INFORMATION, "display information"},
    {CEC_OP_UI_CMD_HELP, "help"},
    {CEC_OP_UI_CMD_PAGE_UP, "page up"},
    {CEC_OP_UI_CMD_PAGE_DOWN, "page down"},
    {CEC_OP_UI_CMD_POWER, "power"},
    {CEC_OP_UI_CMD_VOLUME_UP, "volume up"},
    {CEC_OP_UI_CMD_VOLUME_DOWN, "volume down"},
    {CEC_OP_UI_CMD_MUTE, "mute"},
    {CEC_OP_UI_CMD_PLAY, "play"},
    {CEC_OP_UI_CMD_STOP, "stop"},
    {CEC_OP_UI_CMD_PAUSE, "pause"},
    {CEC_OP_UI_CMD_RECORD, "record"},
    {CEC_OP_UI_CMD_REWIND, "rewind"},
    {CEC_OP_UI_CMD_FAST_FORWARD, "fast forward"},
    {CEC_OP_UI_CMD_EJECT, "eject"},
    {CEC_OP_UI_CMD_SKIP_FORWARD, "skip forward"},
    {CEC_OP_UI_CMD_SKIP_BACKWARD, "skip backward"},
    {CEC_OP_UI_CMD_STOP_RECORD, "stop record"},
    {CEC_OP_UI_CMD_PAUSE_RECORD, "pause record"},
    {CEC_OP_UI_CMD_ANGLE, "angle"},
    {CEC_OP_UI_CMD_SUB_PICTURE, "sub picture"},
    {CEC_OP_UI_CMD_VIDEO_ON_DEMAND, "video on demand"},
    {CEC_OP_UI_CMD_ELECTRONIC_PROGRAM_GUIDE, "program guide"},
    {CEC_OP_UI_CMD_TIMER_PROGRAMMING, "timer programming"},
    {CEC_OP_UI_CMD_INITIAL_CONFIGURATION, "initial configuration"},
    {CEC_OP_UI_CMD_SELECT_BROADCAST_TYPE, "select broadcast type"},
    {CEC_OP_UI_CMD_SELECT_SOUND_PRESENTATION, "select sound presentation"},
    {CEC_OP_UI_CMD_AUDIO_DESCRIPTION, "audio description"},
    {CEC_OP_UI_CMD_INTERNET, "internet"},
    {CEC_OP_UI_CMD_3D_MODE, "3d mode"},
    {CEC_OP_UI_CMD_PLAY_FUNCTION, "play function"},
    {CEC_OP_UI_CMD_PAUSE_PLAY_FUNCTION, "pause play function"},
    {CEC_OP_UI_CMD_RECORD_FUNCTION, "record function"},
    {CEC_OP_UI_CMD_PAUSE_RECORD_FUNCTION, "pause record function"},
    {CEC_OP_UI_CMD_STOP_FUNCTION, "stop function"},
    {CEC_OP_UI_CMD_MUTE_FUNCTION, "mute function"},
    {CEC_OP_UI_CMD_RESTORE_VOLUME_FUNCTION, "restore volume function"},
    {CEC_OP_UI_CMD_TUNE_FUNCTION, "tune function"},
    {CEC_OP_UI_CMD_SELECT_MEDIA_FUNCTION, "select media function"},
    {CEC_OP_UI_CMD_SELECT_AV_INPUT_FUNCTION, "select av input function"},
    {CEC_OP_UI_CMD_SELECT_AUDIO_INPUT_FUNCTION, "select audio input function"},
    {CEC_OP_UI_CMD_POWER_TOGGLE_FUNCTION, "power toggle"},
    {CEC_OP_UI_CMD_POWER_OFF_FUNCTION, "power off"},
    {CEC_OP_UI_CMD_POWER_ON_FUNCTION, "power on"},
    {CEC_OP_UI_CMD_F1_BLUE, "blue"},
    {CEC_OP_UI_CMD_F2_RED, "red"},
    {CEC_OP_UI_CMD_F3_GREEN, "green"},
    {CEC_OP_UI_CMD_F4_YELLOW, "yellow"},
    {CEC_OP_UI_CMD_F5, "f5"},
    {CEC_OP_UI_CMD_DATA, "data"},
};

const ValueName OnOff[] = {{CEC_OP_SYS_AUD_STATUS_OFF, "off"}, {CEC_OP_SYS_AUD_STATUS_ON, "on"}};

const ValueName CecVersions[] = {
    {CEC_OP_CEC_VERSION_1_3A, "1.3a"},
    {CEC_OP_CEC_VERSION_1_4, "1.4"},
    {CEC_OP_CEC_VERSION_2_0, "2.0"},
};

const ValueName AbortReasons[] = {
    {CEC_OP_ABORT_UNRECOGNIZED_OP, "unrecognized opcode"},
    {CEC_OP_ABORT_INCORRECT_MODE, "not in correct mode to respond"},
    {CEC_OP_ABORT_NO_SOURCE, "cannot provide source"},
    {CEC_OP_ABORT_INVALID_OP, "invalid operand"},
    {CEC_OP_ABORT_REFUSED, "refused"},
    {CEC_OP_ABORT_UNDETERMINED, "unable to determine"},
};

const ValueName MenuRequests[] = {
    {CEC_OP_MENU_REQUEST_ACTIVATE, "activate"},
    {CEC_OP_MENU_REQUEST_DEACTIVATE, "deactivate"},
    {CEC_OP_MENU_REQUEST_QUERY, "query"},
};

const ValueName MenuStates[] = {
    {CEC_OP_MENU_STATE_ACTIVATED, "activated"},
    {CEC_OP_MENU_STATE_DEACTIVATED, "deactivated"},
};

const ValueName DeckControls[] = {
    {CEC_OP_DECK_CTL_MODE_SKIP_FWD, "skip forward"},
    {CEC_OP_DECK_CTL_MODE_SKIP_REV, "skip reverse"},
    {CEC_OP_DECK_CTL_MODE_STOP, "stop"},
    {CEC_OP_DECK_CTL_MODE_EJECT, "eject"},
};

const ValueName DeckInfos[] = {
    {CEC_OP_DECK_INFO_PLAY, "play"},
    {CEC_OP_DECK_INFO_RECORD, "record"},
    {CEC_OP_DECK_INFO_PLAY_REV, "play reverse"},
    {CEC_OP_DECK_INFO_STILL, "still"},
    {CEC_OP_DECK_INFO_SLOW, "slow"},
    {CEC_OP_DECK_INFO_SLOW_REV, "slow reverse"},
    {CEC_OP_DECK_INFO_FAST_FWD, "fast forward"},
    {CEC_OP_DECK_INFO_FAST_REV, "fast reverse"},
    {CEC_OP_DECK_INFO_NO_MEDIA, "no media"},
    {CEC_OP_DECK_INFO_STOP, "stop"},
    {CEC_OP_DECK_INFO_SKIP_FWD, "skip forward"},
    {CEC_OP_DECK_INFO_SKIP_REV, "skip reverse"},
    {CEC_OP_DECK_INFO_INDEX_SEARCH_FWD, "index search forward"},
    {CEC_OP_DECK_INFO_INDEX_SEARCH_REV, "index search reverse"},
    {CEC_OP_DECK_INFO_OTHER, "other"},
};

const ValueName PlayModes[] = {
    {CEC_OP_PLAY_MODE_PLAY_FWD, "play forward"},
    {CEC_OP_PLAY_MODE_PLAY_REV, "play reverse"},
    {CEC_OP_PLAY_MODE_PLAY_STILL, "still"},
    {CEC_OP_PLAY_MODE_PLAY_FAST_FWD_MIN, "fast forward, minimum speed"},
    {CEC_OP_PLAY_MODE_PLAY_FAST_FWD_MED, "fast forward, medium speed"},
    {CEC_OP_PLAY_MODE_PLAY_FAST_FWD_MAX, "fast forward, maximum speed"},
    {CEC_OP_PLAY_MODE_PLAY_FAST_REV_MIN, "fast reverse, minimum speed"},
    {CEC_OP_PLAY_MODE_PLAY_FAST_REV_MED, "fast reverse, medium speed"},
    {CEC_OP_PLAY_MODE_PLAY_FAST_REV_MAX, "fast reverse, maximum speed"},
    {CEC_OP_PLAY_MODE_PLAY_SLOW_FWD_MIN, "slow forward, minimum speed"},
    {CEC_OP_PLAY_MODE_PLAY_SLOW_FWD_MED, "slow forward, medium speed"},
    {CEC_OP_PLAY_MODE_PLAY_SLOW_FWD_MAX, "slow forward, maximum speed"},
    {CEC_OP_PLAY_MODE_PLAY_SLOW_REV_MIN, "slow reverse, minimum speed"},
    {CEC_OP_PLAY_MODE_PLAY_SLOW_REV_MED, "slow reverse, medium speed"},
    {CEC_OP_PLAY_MODE_PLAY_SLOW_REV_MAX, "slow reverse, maximum speed"},
};

const ValueName StatusRequests[] = {
    {CEC_OP_STATUS_REQ_ON, "on"},
    {CEC_OP_STATUS_REQ_OFF, "off"},
    {CEC_OP_STATUS_REQ_ONCE, "once"},
};

const ValueName DeviceTypes[] = {
    {CEC_OP_PRIM_DEVTYPE_TV, "TV"},
    {CEC_OP_PRIM_DEVTYPE_RECORD, "recording"},
    {CEC_OP_PRIM_DEVTYPE_TUNER, "tuner"},
    {CEC_OP_PRIM_DEVTYPE_PLAYBACK, "playback"},
    {CEC_OP_PRIM_DEVTYPE_AUDIOSYSTEM, "audio system"},
    {CEC_OP_PRIM_DEVTYPE_SWITCH, "pure switch"},
    {CEC_OP_PRIM_DEVTYPE_PROCESSOR, "video processor"},
};

struct Names {
    const ValueName *begin = nullptr;
    const ValueName *end = nullptr;
};

template <std::size_t N> Names names(const ValueName (&table)[N])
{
    return {table, table + N};
}

Names namesOf(OperandKind kind)
{
    switch (kind) {
    case OperandKind::PowerStatus:
        return names(PowerStatuses);
    case OperandKind::UiCommand:
        return names(UiCommands);
    case OperandKind::SystemAudioStatus:
        return names(OnOff);
    case OperandKind::CecVersion:
        return names(CecVersions);
    case OperandKind::AbortReason:
        return names(AbortReasons);
    case OperandKind::MenuRequest:
        return names(MenuRequests);
    case OperandKind::MenuState:
        return names(MenuStates);
    case OperandKind::DeckControl:
        return names(DeckControls);
    case OperandKind::DeckInfo:
        return names(DeckInfos);
    case OperandKind::PlayMode:
        return names(PlayModes);
    case OperandKind::StatusRequest:
        return names(StatusRequests);
    case OperandKind::DeviceType:
        return names(DeviceTypes);
    default:
        return {};
    }
}

constexpr OperandSlot PA{OperandKind::PhysicalAddress, "physical address"};

} // namespace

QString initiatorName(int address)
{
    if (address == CEC_LOG_ADDR_UNREGISTERED)
        return QStringLiteral("Unregistered");
    return address >= 0 && address < Unregistered ? QLatin1String(AddressNames[address])
                                                  : QString();
}

QString destinationName(int address)
{
    return address == CEC_LOG_ADDR_BROADCAST ? QStringLiteral("Broadcast") : initiatorName(address);
}

int operandSize(OperandKind kind)
{
    switch (kind) {
    case OperandKind::PhysicalAddress:
        return 2;
    case OperandKind::VendorId:
    case OperandKind::Language:
        return 3;
    case OperandKind::OsdName:
        return 0;
    default:
        return 1;
    }
}

const std::vector<Opcode> &opcodes()
{
    using K = OperandKind;
    using A = Addressing;
    static const std::vector<Opcode> table{
        {CEC_MSG_FEATURE_ABORT,
         "Feature Abort",
         A::Directed,
         {OperandSlot{K::AbortedOpcode, "aborted opcode"}, OperandSlot{K::AbortReason, "reason"}}},
        {CEC_MSG_IMAGE_VIEW_ON, "Image View On", A::Directed, {}},
        {CEC_MSG_TEXT_VIEW_ON, "Text View On", A::Directed, {}},
        {CEC_MSG_GIVE_DECK_STATUS,
         "Give Deck Status",
         A::Directed,
         {OperandSlot{K::StatusRequest, "status request"}}},
        {CEC_MSG_DECK_STATUS, "Deck Status", A::Directed, {OperandSlot{K::DeckInfo, "deck info"}}},
        {CEC_MSG_SET_MENU_LANGUAGE,
         "Set Menu Language",
         A::Broadcast,
         {OperandSlot{K::Language, "language"}}},
        {CEC_MSG_STANDBY, "Standby", A::Either, {}},
        {CEC_MSG_PLAY, "Play", A::Directed, {OperandSlot{K::PlayMode, "play mode"}}},
        {CEC_MSG_DECK_CONTROL,
         "Deck Control",
         A::Directed,
         {OperandSlot{K::DeckControl, "deck control mode"}}},
        {CEC_MSG_USER_CONTROL_PRESSED,
         "User Control Pressed",
         A::Directed,
         {OperandSlot{K::UiCommand, "UI command"}},
         false,
         true},
        {CEC_MSG_USER_CONTROL_RELEASED, "User Control Released", A::Directed, {}},
        {CEC_MSG_GIVE_OSD_NAME, "Give OSD Name", A::Directed, {}},
        {CEC_MSG_SET_OSD_NAME, "Set OSD Name", A::Directed, {OperandSlot{K::OsdName, "name"}}},
        {CEC_MSG_SYSTEM_AUDIO_MODE_REQUEST, "System Audio Mode Request", A::Directed, {PA}, true},
        {CEC_MSG_GIVE_AUDIO_STATUS, "Give Audio Status", A::Directed, {}},
        {CEC_MSG_SET_SYSTEM_AUDIO_MODE,
         "Set System Audio Mode",
         A::Either,
         {OperandSlot{K::SystemAudioStatus, "system audio"}}},
        {CEC_MSG_REPORT_AUDIO_STATUS,
         "Report Audio Status",
         A::Directed,
         {OperandSlot{K::AudioStatus, "audio status"}}},
        {CEC_MSG_GIVE_SYSTEM_AUDIO_MODE_STATUS, "Give System Audio Mode Status", A::Directed, {}},
        {CEC_MSG_SYSTEM_AUDIO_MODE_STATUS,
         "System Audio Mode Status",
         A::Directed,
         {OperandSlot{K::SystemAudioStatus, "system audio"}}},
        {CEC_MSG_ROUTING_CHANGE,
         "Routing Change",
         A::Broadcast,
         {OperandSlot{K::PhysicalAddress, "original address"},
          OperandSlot{K::PhysicalAddress, "new address"}}},
        {CEC_MSG_ROUTING_INFORMATION, "Routing Information", A::Broadcast, {PA}},
        {CEC_MSG_ACTIVE_SOURCE, "Active Source", A::Broadcast, {PA}},
        {CEC_MSG_GIVE_PHYSICAL_ADDR, "Give Physical Address", A::Directed, {}},
        {CEC_MSG_REPORT_PHYSICAL_ADDR,
         "Report Physical Address",
         A::Broadcast,
         {PA, OperandSlot{K::DeviceType, "device type"}}},
        {CEC_MSG_REQUEST_ACTIVE_SOURCE, "Request Active Source", A::Broadcast, {}},
        {CEC_MSG_SET_STREAM_PATH, "Set Stream Path", A::Broadcast, {PA}},
        {CEC_MSG_DEVICE_VENDOR_ID,
         "Device Vendor ID",
         A::Broadcast,
         {OperandSlot{K::VendorId, "vendor ID"}}},
        {CEC_MSG_VENDOR_COMMAND, "Vendor Command", A::Directed, {}, false, true},
        {CEC_MSG_GIVE_DEVICE_VENDOR_ID, "Give Device Vendor ID", A::Directed, {}},
        {CEC_MSG_MENU_REQUEST,
         "Menu Request",
         A::Directed,
         {OperandSlot{K::MenuRequest, "request type"}}},
        {CEC_MSG_MENU_STATUS, "Menu Status", A::Directed, {OperandSlot{K::MenuState, "menu state"}}},
        {CEC_MSG_GIVE_DEVICE_POWER_STATUS, "Give Device Power Status", A::Directed, {}},
        {CEC_MSG_REPORT_POWER_STATUS,
         "Report Power Status",
         A::Directed,
         {OperandSlot{K::PowerStatus, "power status"}}},
        {CEC_MSG_GET_MENU_LANGUAGE, "Get Menu Language", A::Directed, {}},
        {CEC_MSG_INACTIVE_SOURCE, "Inactive Source", A::Directed, {PA}},
        {CEC_MSG_CEC_VERSION, "CEC Version", A::Directed, {OperandSlot{K::CecVersion, "version"}}},
        {CEC_MSG_GET_CEC_VERSION, "Get CEC Version", A::Directed, {}},
        {CEC_MSG_VENDOR_COMMAND_WITH_ID,
         "Vendor Command With ID",
         A::Either,
         {OperandSlot{K::VendorId, "vendor ID"}},
         false,
         true},
        {CEC_MSG_ABORT, "Abort", A::Directed, {}},
    };
    return table;
}

const Opcode *findOpcode(std::uint8_t code)
{
    for (const Opcode &o : opcodes())
        if (o.code == code)
            return &o;
    return nullptr;
}

std::optional<QString> valueName(OperandKind kind, std::uint8_t value)
{
    const Names n = namesOf(kind);
    for (const ValueName *v = n.begin; v != n.end; ++v)
        if (v->value == value)
            return QLatin1String(v->name);
    return std::nullopt;
}

std::vector<std::pair<std::uint8_t, QString>> namedValues(OperandKind kind)
{
    std::vector<std::pair<std::uint8_t, QString>> all;
    const Names n = namesOf(kind);
    for (const ValueName *v = n.begin; v != n.end; ++v)
        all.emplace_back(v->value, QLatin1String(v->name));
    return all;
}

} // namespace cec
