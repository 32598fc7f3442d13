#pragma once
// Groups layer changes: switches the implicit animations of free-standing
// layers off, or sets their duration, until the matching commit.
namespace pw::ui {

class Transaction {
public:
    static void begin();
    static void commit();
    static void setDisableActions(bool disable);
    static bool disableActions();
    static void setAnimationDuration(double seconds);
    static double animationDuration();
};

} // namespace pw::ui
