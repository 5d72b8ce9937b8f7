// The date and time text: see date_text.h.
#include "core/date_text.h"

#include <ctime>

namespace qm {

std::string DateTimeText(const LocalDateTime& t) {
    std::string s =
        std::to_string(t.year) + "年" + std::to_string(t.month) + "月" + std::to_string(t.day) + "日";
    if (t.hour == 0 && t.minute == 0 && t.second == 0) return s;
    s += std::to_string(t.hour) + "时";
    if (t.minute == 0 && t.second == 0) return s;
    s += std::to_string(t.minute) + "分";
    if (t.second == 0) return s;
    return s + std::to_string(t.second) + "秒";
}

LocalDateTime CurrentLocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace qm
