#include "platform/ui/Transaction.h"

#include "platform/ui/Animator.h"

namespace pw::ui {

void Transaction::begin() {
    Animator::shared().transactionBegin();
}
void Transaction::commit() {
    Animator::shared().transactionCommit();
}
void Transaction::setDisableActions(bool disable) {
    Animator::shared().setDisableActions(disable);
}
bool Transaction::disableActions() {
    return Animator::shared().disableActions();
}
void Transaction::setAnimationDuration(double seconds) {
    Animator::shared().setTransactionDuration(seconds);
}
double Transaction::animationDuration() {
    return Animator::shared().transactionDuration();
}

} // namespace pw::ui
