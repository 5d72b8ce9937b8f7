// The program's date and time text: year "年" month "月" day "日", then hour "时" minute "分"
// second "秒", numbers without leading zeros, trailing zero parts of the time dropped. Portable;
// any thread.
#pragma once

#include <string>

namespace qm {

struct LocalDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// 2011年1月20日9时5分 for 9:05:00; 2011年1月20日 at midnight exactly.
std::string DateTimeText(const LocalDateTime& t);

// The local date and time now.
LocalDateTime CurrentLocalDateTime();

}  // namespace qm
