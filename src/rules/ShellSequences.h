#pragma once
// The fixed sequences every lock runs over the shell helpers: the hiding
// steps, the restoring steps, and a screen's partial restore. Their order is
// the rule; the steps themselves are the platform's.

// DisableSystemKeys, the direct screen-saver switch, HideTaskBar,
// HideTrayArea, HideTaskTabs, HideStartButton: in that order.
void RunHidingSteps();
// EnableSystemKeys, ShowTaskBar, ShowTrayArea, ShowTaskTabs, ShowStartButton.
void RunRestoringSteps();
// The partial restore of a navigation page's unload, so that leaving a
// screen never leaves the shell hidden: EnableSystemKeys, ShowTrayArea,
// ShowTaskBar; the main screen adds ShowStartButton.
void RunPageRestoringSteps();
