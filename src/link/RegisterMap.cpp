#include "link/RegisterMap.h"

namespace regmap {

RegType InputType(int k)
{
    if (k >= 1 && k <= 16)
        return RegType::U16;
    if (k >= 17 && k <= 42)
        return (k % 2) ? RegType::Float : RegType::None;
    if (k == 43 || k == 45)
        return RegType::U32;
    if (k == 47)
        return RegType::U16;
    return RegType::None;
}

QStringList MonHeaders()
{
    QStringList h{QStringLiteral("통신상태"), QStringLiteral("형명"), "F/W Ver", "sysDateTime", "RECORD_STATUS",
                  "BO_STATUS(7-12)", "BO_STATUS(1-6)", "ALARM_STATUS(9-12)", "ALARM_STATUS(5-8)",
                  "ALARM_STATUS(1-4)", "SD_DI_STATUS", "RELAY_STATUS"};
    for (int n = 1; n <= 12; ++n)
        h << QStringLiteral("PV%1").arg(n, 2, 10, QLatin1Char('0'));
    h << "PV_RJC" << "SDC_TOTAL_SPACE" << "SDC_USED_SPACE" << "INT_MEMORY_USED";
    return h;
}

QStringList CommonKeys()
{
    QStringList k{"RECORD_ONOFF", "SCREEN_DISPLAY_MODE", "RULER_ONOFF", "TEXTBAR_ONOFF", "ALARM_MARK_ONOFF",
                  "SCROLL_SPEED_TIME", "TEXTVIEW_WINDOW_NUMBER", "HISTVIEW_SCROLL_DIRECTION", "HISTVIEW_READFROM",
                  "SAVE_PERIOD_TIME", "BLACKOUT_RESUME_ONOFF", "BEEP_ONOFF", "SCREEN_SAVER_TIME",
                  "RECORD_WITH_BUFFER", "BACKGROUND_COLOR", "DISPLAY_LANGUAGE", "RESERVED", "RESERVE_RUN_ONOFF",
                  "RESERVE_RUN_YEAR", "RESERVE_RUN_MONTH", "RESERVE_RUN_DAY", "RESERVE_RUN_HOUR",
                  "RESERVE_RUN_MINUTE", "RESERVE_RUN_SECOND", "SYSTEM_DATE_YEAR", "SYSTEM_DATE_MONTH",
                  "SYSTEM_DATE_DAY", "SYSTEM_DATE_HOUR", "SYSTEM_DATE_MINUTE", "SYSTEM_DATE_SECOND",
                  "RS232_MAC_NUMBER", "RS232_PROTOCOL_CODE", "RS232_BAUDRATE", "RS232_PARITY_BIT",
                  "RS232_DATA_LENGTH", "RS232_STOP_BIT", "RS232_DELAY_TIME", "RS485_MAC_NUMBER",
                  "RS485_PROTOCOL_CODE", "RS485_BAUDRATE", "RS485_PARITY_BIT", "RS485_DATA_LENGTH",
                  "RS485_STOP_BIT", "RS485_DELAY_TIME"};
    for (int n = 1; n <= 6; ++n) {
        const QString p = QStringLiteral("DI%1_").arg(n, 2, 10, QLatin1Char('0'));
        k << p + "LEVEL" << p + "RCD" << p + "RYO" << p + "RYT";
    }
    return k;
}

int CommonRowOfOffset(int i)
{
    if (i >= 1 && i <= 44)
        return i;
    if (i < 45 || i > kCommonCount)
        return 0;
    const int within = (i - 45) % 5; // 0 LEVEL, 1 RCD, 2 RYO, 3 RYT high, 4 RYT low
    if (within == 4)
        return 0;
    return 45 + 4 * ((i - 45) / 5) + within;
}

bool CommonOffsetIsU32(int i)
{
    return i >= 45 && i <= kCommonCount && (i - 45) % 5 == 3;
}

QStringList ChannelKeys()
{
    QStringList k{"NAME", "UNIT_NAME", "DISP_ONOFF", "RANGE_CODE", "SCALE_ONOFF", "FP_LOCATE", "UNIT_MODE",
                  "READ_MODE", "READ_TIME", "COLOR", "MATH_ONOFF", "MATH_FTYPE", "MATH_A_CH", "MATH_B_SELECT",
                  "MATH_B_CH", "MATH_B_CONST", "USER_RANGE_MAX", "USER_RANGE_MIN", "SCALE_RANGE_MAX",
                  "SCALE_RANGE_MIN", "DISP_RANGE_MAX", "DISP_RANGE_MIN", "OFFSET_ERROR", "HIGHPOINT_ERROR",
                  "LOWPOINT_ERROR"};
    for (int a = 1; a <= 4; ++a) {
        const QString p = QStringLiteral("ALARM%1_").arg(a, 2, 10, QLatin1Char('0'));
        k << p + "SV" << p + "HYS" << p + "RATE" << p + "TYPE" << p + "CCH" << p + "TUNIT" << p + "RCD"
          << p + "RYO" << p + "RYT";
    }
    return k;
}

ChannelField ChannelFieldOfOffset(int i)
{
    if (i == 1)
        return {ChannelField::Name, ch::Name};
    if (i == 6)
        return {ChannelField::UnitName, ch::UnitName};
    if (i >= 9 && i <= 21)
        return {ChannelField::U16, i - 6};
    if (i >= 22 && i <= 41)
        return (i % 2 == 0) ? ChannelField{ChannelField::Float, (i - 22) / 2 + 16} : ChannelField{};
    if (i >= 42 && i <= 93) {
        const int a = (i - 42) / 13;
        const int j = (i - 42) % 13;
        if (j <= 5)
            return (j % 2 == 0) ? ChannelField{ChannelField::Float, 26 + 9 * a + j / 2} : ChannelField{};
        if (j <= 10)
            return {ChannelField::U16, 29 + 9 * a + (j - 6)};
        if (j == 11)
            return {ChannelField::U32, 34 + 9 * a};
    }
    return {};
}

} // namespace regmap
