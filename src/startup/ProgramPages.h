#pragma once
// Tells the page registry which screen class stands for each page. Run once
// at start, before any screen opens another.

void RegisterProgramPages();
