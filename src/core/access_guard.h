// The access guard run at start: shows and records the use time and asks for the start-up
// password stored in GeneralStore. Window thread only.
#pragma once

#include <functional>
#include <string>

#include "core/date_text.h"

namespace qm {

inline constexpr char kFirstUsePrefix[] = "第一次使用：";
inline constexpr char kLastUsePrefix[] = "上次使用时间：";

// Shows the use-time caption through setCaption, stores now as the last use time, and asks for the
// password if one is set. False when the password was wrong or cancelled: the caller ends the
// program. A GeneralStore that cannot be opened is reported and lets the program run.
bool RunAccessGuard(const LocalDateTime& now, const std::function<void(const std::string&)>& setCaption);

}  // namespace qm
