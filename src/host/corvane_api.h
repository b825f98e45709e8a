// The functions a Corvane shell exports to its plug-ins. corvane.exe implements them;
// Kestrane.dll imports them through an import library made from corvane.def.
// Keep these signatures: other programs are built against them, in C as in C++
// (docs/writing-plugins.md).
#pragma once

#include <windows.h>

#ifdef __cplusplus
#define CORVANE_LINKAGE extern "C"
#else
#include <stdbool.h>
#define CORVANE_LINKAGE
#endif

#ifdef CORVANE_BUILDING_SHELL
#define CORVANE_API CORVANE_LINKAGE __declspec(dllexport)
#else
#define CORVANE_API CORVANE_LINKAGE __declspec(dllimport)
#endif

// Opaque: only the shell looks inside.
typedef struct Menu Menu;
typedef struct MenuItem MenuItem;

CORVANE_API HWND GetCVWnd(void);
CORVANE_API void GetCorvanePath(char *buffer, int size);
CORVANE_API void GetCorvaneEditor(char *buffer);  // buffer of MAX_PATH
CORVANE_API HINSTANCE CVExecute(HWND owner, const char *verb, const char *file, const char *args,
                                const char *folder, int show, bool quiet);
CORVANE_API bool ReadBool(const char *file, const char *key, bool fallback);
CORVANE_API int ReadInt(const char *file, const char *key, int fallback);
CORVANE_API const char *ReadString(const char *file, const char *key, const char *fallback);
CORVANE_API void WriteBool(const char *file, const char *key, bool value);
CORVANE_API void WriteInt(const char *file, const char *key, int value);
CORVANE_API void WriteString(const char *file, const char *key, const char *value);
CORVANE_API bool FileExists(const char *path);
CORVANE_API Menu *MakeNamedMenu(const char *title, const char *id, bool popup);
CORVANE_API MenuItem *MakeMenuItem(Menu *menu, const char *title, const char *command,
                                   bool checked);
CORVANE_API MenuItem *MakeMenuItemInt(Menu *menu, const char *title, const char *command, int value,
                                      int minimum, int maximum);
CORVANE_API MenuItem *MakeSubmenu(Menu *parent, Menu *child, const char *title);
CORVANE_API MenuItem *MakeMenuNOP(Menu *menu, const char *title);
CORVANE_API void ShowMenu(Menu *menu);
CORVANE_API bool MakeSticky(HWND window);
CORVANE_API void RemoveSticky(HWND window);
CORVANE_API void SnapWindowToEdge(WINDOWPOS *position, LPARAM distance, UINT flags);
// 1: style record of at least 300 bytes, a COLORREF at byte 16; 13: points to a COLORREF.
CORVANE_API void *GetSettingPtr(int which);
CORVANE_API void MakeStyleGradient(HDC dc, RECT *rect, const void *style, bool border);

// Not part of a real shell: the stand-in shell's transcript, for the test plug-ins.
CORVANE_API void CVTranscript(const char *line);
