// The access guard: see access_guard.h.
#include "core/access_guard.h"

#include "core/stores.h"
#include "platform/dialogs.h"
#include "store/record_store.h"

namespace qm {

bool RunAccessGuard(const LocalDateTime& now, const std::function<void(const std::string&)>& setCaption) {
    if (!OpenStoreByName(kGeneralStoreAlias)) {
        ShowMessage("读取时间数据失败！");
        return true;
    }
    RecordStore& store = Stores();
    const std::string lastUse = store.Read(1);
    const std::string password = store.Read(2);
    const std::string nowText = DateTimeText(now);
    setCaption(lastUse.empty() ? kFirstUsePrefix + nowText : kLastUsePrefix + lastUse);
    store.Modify({nowText});
    CloseStoreByName(kGeneralStoreAlias);
    if (password.empty()) return true;
    const std::string entered = InputBox("请输入登陆密码！", "需要密码", "", true).value_or(std::string());
    if (entered == password) return true;
    ShowMessage("密码错误！", "提示");
    return false;
}

}  // namespace qm
