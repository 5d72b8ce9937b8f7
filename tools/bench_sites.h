// The generated site every benchmark stores: portable, any thread.
#pragma once

#include <string>

#include "store/record_store.h"

namespace qm::bench {

// Site number i of a category, with every field filled.
inline Fields Site(const std::string& category, int i) {
    const std::string n = std::to_string(i);
    return {category,
            "http://www.example-site-" + n + ".com/",
            "网站标题 " + n + " 的示例页面",
            "user" + n,
            "pw" + n,
            std::to_string(i % 10),
            std::to_string(i * 7 % 100000),
            std::to_string(i * 13 % 1000000),
            std::to_string(i % 5000),
            std::to_string(i * 3 % 20000)};
}

}  // namespace qm::bench
