#pragma once
void AddTrayIcon();
void DeleteTrayIcon();
