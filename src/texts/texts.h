// Every word Brimlow shows a person, in one place: the program's parts say
// what happened (where figures came from, which query failed, which window
// was refilled) and ask here for the text. This is where a change of wording
// or a translation starts. Times and dates in the locale's own forms are
// written by the panel's Qt side (ui/panel_text.h), which knows the locale.
#pragma once

#include "base/result.h"
#include "notify/reset_notifier.h"
#include "records/records.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brimlow {

// --- Figures -------------------------------------------------------------

// "5시간", "주간", otherwise the minute count and "분".
std::string windowLabel(std::int64_t minutes);

// Token counts in a few characters: "999", "1.2K", "3.4M" (always a full stop).
std::string compact(std::int64_t n);

// "13% 사용": the percent rounded to an integer, halves away from zero.
std::string percentUsedText(double percent);

// Time left until a reset, in the two largest units: "6일 23시간 후",
// "2시간 14분 후", "3분 후". Minutes are rounded up, so the text never
// promises a reset earlier than it comes and never reads "0분".
std::string countdownText(std::int64_t seconds);

// "C 42%  A 18%": Codex's current window, then Claude's current window or,
// without one, today's Claude tokens in compact form.
std::string meterTitle(const ProviderUsage& codex, const ProviderUsage& claude, Time now);

// The line under a provider's card: where its figures came from.
std::string sourceText(const ProviderUsage& usage);

// A failed live Codex query in a few words; a system error as the system
// words it.
std::string codexQueryErrorText(const Error& error);

// --- Pace ----------------------------------------------------------------

// A moment near `now`: the time of day as `timeOfDay` writes it, with the
// date first ("12월 8일 15:40") when it is not today.
std::string momentText(Time t, Time now, const std::function<std::string(Time)>& timeOfDay);

// The local time of day as "15:40", for the programs without Qt's locale.
std::string plainTimeOfDay(Time t);

// "이 속도면 15:40에 소진", under a window that runs out before its reset.
std::string paceRunsOutText(const std::string& moment);

// One line per current window that runs out before its reset, Codex's
// first: "Codex 5시간: 이 속도면 15:40에 소진".
std::vector<std::string> paceWarningLines(const ProviderUsage& codex, const ProviderUsage& claude,
                                          Time now,
                                          const std::function<std::string(Time)>& timeOfDay);

// --- Notifications -------------------------------------------------------

// The reset, pace and test notifications, with times of day written by
// `timeOfDay`.
AlertWording alertWording(std::function<std::string(Time)> timeOfDay);

// The made-up provider of "--test-notify"'s notification.
inline constexpr std::string_view kTestNotifyProvider = "시험";
inline constexpr std::string_view kTestNotifyShown = "알림 허용됨 · 3초 뒤 시험 알림";
inline constexpr std::string_view kTestNotifyUnavailable =
    "알림이 꺼져 있음 — 세션 버스에 알림 서비스가 없습니다";
// The panel's warning when the reset alerts are on but cannot be shown.
inline constexpr std::string_view kNotifyUnavailable =
    "세션 버스에 알림 서비스가 없어 알림을 띄울 수 없습니다.";
// The action that opens the panel from a notification.
inline constexpr std::string_view kNotificationOpen = "열기";

// --- Settings and commands -----------------------------------------------

std::string loginItemFailureText(const Error& error);
inline constexpr std::string_view kClaudeConnected = "Claude 한도 연결 완료";
inline constexpr std::string_view kClaudeDisconnected = "Claude 기존 status line 복원 완료";
// What Claude Code shows when the user had no status line of their own.
inline constexpr std::string_view kDefaultStatusLine = "Brimlow · Claude 한도 연결";
// The autostart entry's description.
inline constexpr std::string_view kAutostartComment = "AI 코딩 도구 한도와 토큰 사용량";
inline constexpr std::string_view kNoGraphicalSession =
    "There is no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
    "run \"brimlow --snapshot\" to see the figures.";
// A helper program that could not be started: not found in any of the
// places (the error's message lists them), or the system refused it.
std::string helperFailureText(const Error& error);

// --- The snapshot mode ---------------------------------------------------

// "Codex: 12 usage records; today 3400 tokens"
std::string snapshotRecordsLine(std::string_view provider, std::size_t records,
                                std::int64_t todayTokens);
// "Codex 5시간: 42.5% used", the percent in its shortest exact form.
std::string snapshotWindowLine(const Quota& quota);

// --- The tray item and the panel -----------------------------------------

// Under the title in the tooltip: what the two figures are.
inline constexpr std::string_view kTrayLegend =
    "Codex 한도 사용률 · Claude 한도 사용률 또는 오늘 토큰";
// The widest title meterTitle() writes, for hosts that reserve room for it.
inline constexpr std::string_view kTrayLabelGuide = "C 100%  A 100%";
inline constexpr std::string_view kMenuOpenPanel = "패널 열기";
inline constexpr std::string_view kMenuRefresh = "새로고침";
inline constexpr std::string_view kMenuQuit = "종료";

// The panel's fixed words by the names its QML uses; "%1" marks where a
// figure goes.
std::vector<std::pair<std::string_view, std::string>> panelWords();

} // namespace brimlow
