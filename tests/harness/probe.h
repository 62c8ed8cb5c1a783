/* The question-and-answer protocol between wctl.exe and probe.dll, which a message hook loads
 * into the program under test so that state only visible from inside (menus, GDI objects,
 * memory) can be read. */
#pragma once

#define PROBE_MESSAGE_NAME "XQV:ProbeQuestion"
#define PROBE_REPLY_CLASS "XQV:ProbeReply"
#define PROBE_REPLY_MAGIC 0x50524f42u

enum {
  PROBE_MENU_STATE = 1,    /* arg: command id; result: GetMenuState; text: item string */
  PROBE_OBJECT_TYPE = 2,   /* arg: GDI handle; result: GetObjectType */
  PROBE_MEMORY = 3,        /* result: private bytes in KiB; text: working set in KiB */
  PROBE_MENU_ITEM = 4,     /* arg: popup << 16 | position (popup 0xFFFF: the bar itself);
                              result: item id (popups: -1), text: "state<TAB>string" */
  PROBE_MENU_COUNT = 5,    /* arg: popup (0xFFFF: the bar); result: item count */
  PROBE_FOCUS = 6,         /* result: the thread's focus window */
  PROBE_ACTIVE = 7,        /* result: the thread's active window */
  PROBE_WINDOW_LONG = 8,   /* arg: byte offset; result: GetWindowLongA of the window */
  PROBE_BITMAP_INFO = 9,   /* arg: HBITMAP; result: 1 or 0; text: "width height bitsPixel" */
  PROBE_BITMAP_SAVE = 10,  /* arg: HBITMAP; result: 1 or 0; text: path of a 24-bit .bmp file
                              holding the bitmap's pixels (read with GetDIBits) */
  PROBE_PALETTE_SIZE = 11, /* arg: HPALETTE; result: its number of entries, or 0 */
  PROBE_TITLE_LOG = 12,   /* starts (again) recording the texts the window is given with
                              WM_SETTEXT; result: 1 */
  PROBE_TITLE_ENTRY = 13,  /* arg: index; result: texts recorded so far; text: that one */
  PROBE_TITLE_ARM = 14,    /* arg: count << 16 | command: once the log holds count texts, the
                              window is posted WM_COMMAND command (from inside its WM_SETTEXT,
                              so at a known point of what the program is doing) */
  PROBE_SCROLL = 15,       /* arg: SB_HORZ 0 or SB_VERT 1; result: GetScrollPos; text:
                              "minimum maximum" of GetScrollRange */
  PROBE_AVI_CALLS = 16,    /* arg 1: from now on count the program's own calls of AVIFileInit
                              and AVIFileExit (from 0); result: 1 when they are counted.
                              arg 0: result: AVIFileInit calls; text: AVIFileExit calls */
  PROBE_DROP_FILES = 17,   /* arg: a global atom naming a file that lists paths (UTF-8, one a
                              line); the window is posted WM_DROPFILES with an HDROP of them,
                              as Explorer hands one over; result: the number of paths, or -1 */
};

typedef struct {
  long result;
  char text[256];
} ProbeReply;
