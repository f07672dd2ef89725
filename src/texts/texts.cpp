#include "texts/texts.h"

#include "base/numbers.h"
#include "records/pace.h"

#include <algorithm>
#include <charconv>
#include <ctime>

namespace brimlow {

std::string windowLabel(std::int64_t minutes) {
    if (minutes == kFiveHourWindow)
        return "5시간";
    if (minutes == kWeekWindow)
        return "주간";
    return std::to_string(minutes) + "분";
}

std::string compact(std::int64_t n) {
    if (n < 1000)
        return std::to_string(n);
    // to_chars rounds the exact binary value as printf's "%.1f" does (a tie
    // goes to even) and, unlike printf, never uses the locale's separator.
    bool thousands = n < 1000000;
    double scaled = thousands ? double(n) / 1000.0 : double(n) / 1000000.0;
    char text[64];
    auto end = std::to_chars(text, text + sizeof text, scaled, std::chars_format::fixed, 1).ptr;
    return std::string(text, end) + (thousands ? "K" : "M");
}

std::string percentUsedText(double percent) {
    return std::to_string(roundPercent(percent)) + "% 사용";
}

std::string countdownText(std::int64_t seconds) {
    constexpr std::int64_t kDay = 24 * 60;
    std::int64_t minutes = std::max<std::int64_t>(1, (seconds + 59) / 60);
    std::int64_t days = minutes / kDay;
    std::int64_t hours = minutes % kDay / 60;
    std::int64_t rest = minutes % 60;

    std::string text;
    if (days > 0) {
        text = std::to_string(days) + "일";
        if (hours > 0)
            text += " " + std::to_string(hours) + "시간";
    } else if (hours > 0) {
        text = std::to_string(hours) + "시간";
        if (rest > 0)
            text += " " + std::to_string(rest) + "분";
    } else {
        text = std::to_string(rest) + "분";
    }
    return text + " 후";
}

std::string meterTitle(const ProviderUsage& codex, const ProviderUsage& claude, Time now) {
    auto percentText = [](const Quota& q) { return std::to_string(roundPercent(q.percent)) + "%"; };
    auto codexWindow = currentWindow(codex.quotas, now);
    auto claudeWindow = currentWindow(claude.quotas, now);
    std::string codexPiece = codexWindow ? percentText(*codexWindow) : "—";
    std::string claudePiece = claudeWindow ? percentText(*claudeWindow)
                                           : compact(claude.totals(startOfLocalDay(now)).sum());
    return "C " + codexPiece + "  A " + claudePiece;
}

std::string sourceText(const ProviderUsage& usage) {
    switch (usage.source) {
    case FiguresSource::NotReadYet:
        return "기록 없음";
    case FiguresSource::NoLocalRecords:
        return "로컬 기록 없음";
    case FiguresSource::CodexLogs:
        return "로컬 기록 · 한도 스냅샷";
    case FiguresSource::ClaudeLogs:
        return "Claude Code 로컬 기록";
    case FiguresSource::ClaudeStatusLine:
        return "Claude Code 한도 스냅샷 · 로컬 토큰";
    case FiguresSource::CodexLive:
        return "계정 한도 · 실시간 조회";
    case FiguresSource::CodexLiveWithoutLimits:
        return "계정 한도 데이터 없음 · 로컬 토큰 표시";
    case FiguresSource::CodexQueryFailed:
        return codexQueryErrorText(usage.queryFailure.value_or(Error{ErrorKind::NoAnswer, {}})) +
               " · 로컬 스냅샷";
    }
    return {};
}

std::string codexQueryErrorText(const Error& error) {
    if (error.isErrno())
        return error.message();
    switch (*error.kind()) {
    case ErrorKind::NotFound:
        return "Codex CLI를 찾을 수 없습니다";
    case ErrorKind::Rejected:
        return "Codex 로그인 또는 한도 조회 실패";
    default:
        return "Codex 응답 시간 초과";
    }
}

std::string momentText(Time t, Time now, const std::function<std::string(Time)>& timeOfDay) {
    if (startOfLocalDay(t) == startOfLocalDay(now))
        return timeOfDay(t);
    std::time_t seconds = std::time_t(toUnixSecondsTruncated(t));
    std::tm local{};
    localtime_r(&seconds, &local);
    return std::to_string(local.tm_mon + 1) + "월 " + std::to_string(local.tm_mday) + "일 " +
           timeOfDay(t);
}

std::string plainTimeOfDay(Time t) {
    std::time_t seconds = std::time_t(toUnixSecondsTruncated(t));
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[8];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

std::string paceRunsOutText(const std::string& moment) {
    return "이 속도면 " + moment + "에 소진";
}

std::vector<std::string> paceWarningLines(const ProviderUsage& codex, const ProviderUsage& claude,
                                          Time now,
                                          const std::function<std::string(Time)>& timeOfDay) {
    std::vector<std::string> lines;
    for (const auto& [name, usage] : {std::pair{"Codex", &codex}, std::pair{"Claude", &claude}}) {
        for (const auto& quota : usage->quotas) {
            auto pace = windowPace(quota, usage->samples, now);
            if (pace && pace->runsOutBeforeReset)
                lines.push_back(
                    std::string(name) + " " + windowLabel(quota.minutes) + ": " +
                    paceRunsOutText(momentText(*pace->projectedFullAt, now, timeOfDay)));
        }
    }
    return lines;
}

AlertWording alertWording(std::function<std::string(Time)> timeOfDay) {
    return {
        .reset =
            [timeOfDay](const ResetAlert& alert) {
                return NotificationText{
                    alert.provider + " " + windowLabel(alert.quota.minutes) + " 한도 초기화",
                    std::to_string(roundPercent(alert.quota.percent)) + "%까지 썼던 한도가 " +
                        timeOfDay(alert.fireAt) + "에 다시 채워졌어요.",
                };
            },
        .pace =
            [timeOfDay](const PaceAlert& alert) {
                return NotificationText{
                    alert.provider + " " + windowLabel(alert.quota.minutes) + " 한도 소진 예상",
                    "이 속도면 " + momentText(alert.projectedFullAt, alert.now, timeOfDay) +
                        "에 다 씁니다. 초기화는 " +
                        momentText(*alert.quota.reset, alert.now, timeOfDay) + ".",
                };
            },
        .test =
            [] {
                return NotificationText{"Brimlow 알림 시험",
                                        "한도가 초기화되면 이렇게 알려드려요."};
            },
    };
}

std::string loginItemFailureText(const Error& error) {
    return "로그인 실행 설정 실패: " + error.message();
}

std::string helperFailureText(const Error& error) {
    if (error.isErrno())
        return "Brimlow의 도우미를 실행할 수 없습니다: " + error.message();
    return "Brimlow의 도우미를 찾을 수 없습니다: " + error.message();
}

std::string snapshotRecordsLine(std::string_view provider, std::size_t records,
                                std::int64_t todayTokens) {
    return std::string(provider) + ": " + std::to_string(records) + " usage records; today " +
           std::to_string(todayTokens) + " tokens";
}

std::string snapshotWindowLine(const Quota& quota) {
    return "Codex " + windowLabel(quota.minutes) + ": " + shortestDecimal(quota.percent) + "% used";
}

std::vector<std::pair<std::string_view, std::string>> panelWords() {
    return {
        {"heading", "이 컴퓨터의 AI 사용량"},
        {"refresh", "사용량 새로고침"},
        {"period", "기간"},
        {"today", "오늘"},
        {"week", "최근 7일"},
        {"all", "전체 기록"},
        {"quotaUse", "%1 한도 사용률"},
        {"stale", "갱신 필요"},
        {"resetAt", "초기화 %1"},
        {"paceRunsOut", paceRunsOutText("%1")},
        {"quotaChecked", "한도 확인 %1"},
        {"tokens", "토큰"},
        {"input", "입력"},
        {"output", "출력"},
        {"cache", "캐시"},
        {"connected", "Claude 사용 시 한도 갱신"},
        {"needsConnect", "한도 연결 필요"},
        {"connect", "연결"},
        {"open", "열기 ↗"},
        {"tokenNote", "토큰은 이 컴퓨터의 로컬 기록 기준입니다. Codex 입력에는 캐시가 포함되고, "
                      "Claude는 캐시를 따로 합산합니다."},
        {"login", "로그인 시 실행"},
        {"resetAlerts", "한도 초기화 알림 (" + std::to_string(roundPercent(kResetAlertThreshold)) +
                            "% 이상 쓴 한도)"},
        {"test", "시험"},
        {"testTip", "3초 뒤 시험 알림을 띄웁니다"},
        {"updated", "갱신 %1 · 60초 간격"},
        {"checking", "사용량 확인 중…"},
        {"quit", "종료"},
    };
}

} // namespace brimlow
