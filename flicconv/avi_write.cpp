// Write AVI (command 105, which doubles as Stop) with its frame loop, the AVI output through
// the platform's AVI file services, and Configure Compress with the platform's compression
// dialog fed by the sample movie "logon.avi" beside the program.
#include "converter.h"  // <windows.h> first: <vfw.h> builds on it

#include <vfw.h>

#include <cstring>

#include "filedlg.h"
#include "frame_timing.h"
#include "pathname.h"

PAVIFILE g_aviFile;
PAVISTREAM g_aviStream;
PAVISTREAM g_aviWriteStream;  // a compressed stream over g_aviStream, or g_aviStream itself
int g_aviCompressed;
int g_aviFrameNo;
AVICOMPRESSOPTIONS g_compressOptions;
int g_compressChosen;

static int g_aviLibraryOpen;  // AVIFileInit was called for the output: one AVIFileExit is due

enum AviOpenResult { AVI_OPENED, AVI_OLD_VERSION, AVI_NOT_OPENED };

// The version of the Video for Windows services, from msvfw32's export number 2.
static DWORD QueryVfwVersion() {
  HMODULE vfw = LoadLibraryA("msvfw32.dll");
  if (!vfw) return 0;
  typedef DWORD(WINAPI * VersionProc)();
  auto version = reinterpret_cast<VersionProc>(GetProcAddress(vfw, MAKEINTRESOURCEA(2)));
  DWORD result = version ? version() : 0;
  FreeLibrary(vfw);
  return result;
}

static BYTE* PixelRowsOf(const BITMAPINFOHEADER* dib) {
  return reinterpret_cast<BYTE*>(const_cast<BITMAPINFOHEADER*>(dib)) + dib->biSize +
         4 * dib->biClrUsed;
}

static void CloseAviOutput() {
  if (g_aviStream) AVIStreamRelease(g_aviStream);
  g_aviStream = nullptr;
  if (g_aviCompressed && g_aviWriteStream) AVIStreamRelease(g_aviWriteStream);
  g_aviWriteStream = nullptr;
  if (g_aviFile) AVIFileRelease(g_aviFile);
  g_aviFile = nullptr;
  if (g_aviLibraryOpen) {
    AVIFileExit();
    g_aviLibraryOpen = 0;
  }
}

static AviOpenResult OpenAviOutput(const char* path, const BITMAPINFOHEADER* dib) {
  g_aviFrameNo = 0;
  g_aviStream = g_aviWriteStream = nullptr;
  g_aviFile = nullptr;
  if (HIWORD(QueryVfwVersion()) < 0x010A) {
    MessageBeep(MB_ICONHAND);
    MessageBoxA(nullptr, "Version", nullptr, MB_ICONHAND);
    return AVI_OLD_VERSION;
  }
  AVIFileInit();
  g_aviLibraryOpen = 1;
  if (AVIFileOpenA(&g_aviFile, path, OF_WRITE | OF_CREATE, nullptr) != AVIERR_OK) {
    g_aviFile = nullptr;
    CloseAviOutput();
    return AVI_NOT_OPENED;
  }
  AVISTREAMINFOA info;
  std::memset(&info, 0, sizeof info);
  info.fccType = streamtypeVIDEO;
  info.fccHandler = 0;
  info.dwScale = 1;
  info.dwRate = static_cast<DWORD>(g_frameRate);
  info.dwSuggestedBufferSize = dib->biSizeImage;
  SetRect(&info.rcFrame, 0, 0, dib->biWidth, dib->biHeight);
  if (AVIFileCreateStreamA(g_aviFile, &g_aviStream, &info) != AVIERR_OK) {
    g_aviStream = nullptr;
    CloseAviOutput();
    return AVI_NOT_OPENED;
  }
  g_aviCompressed = g_compressChosen;
  if (g_aviCompressed) {
    if (AVIMakeCompressedStream(&g_aviWriteStream, g_aviStream, &g_compressOptions, nullptr) !=
        AVIERR_OK) {
      g_aviWriteStream = nullptr;
      CloseAviOutput();
      return AVI_NOT_OPENED;
    }
  } else {
    g_aviWriteStream = g_aviStream;  // the frames go into the file as they are
  }
  // The format, and with it the palette of frame 1, is set once for the whole movie.
  if (AVIStreamSetFormat(g_aviWriteStream, 0, const_cast<BITMAPINFOHEADER*>(dib),
                         static_cast<LONG>(dib->biSize + 4 * dib->biClrUsed)) != AVIERR_OK) {
    CloseAviOutput();
    return AVI_NOT_OPENED;
  }
  return AVI_OPENED;
}

// Appends the frame as the next key frame; 0 when there is no output or the write failed
// (the output is then closed, holding the frames written so far).
static int WriteAviFrame(const BITMAPINFOHEADER* dib) {
  if (!g_aviStream || !g_aviWriteStream || !g_aviFile || !dib) return 0;
  if (AVIStreamWrite(g_aviWriteStream, g_aviFrameNo, 1, PixelRowsOf(dib),
                     static_cast<LONG>(dib->biSizeImage), AVIIF_KEYFRAME, nullptr,
                     nullptr) != AVIERR_OK) {
    CloseAviOutput();
    return 0;
  }
  ++g_aviFrameNo;
  return 1;
}

void ChooseCompression(HWND owner, const char* path) {
  char sample[256];
  if (path) {
    lstrcpynA(sample, path, sizeof sample);
  } else {
    GetModuleFileNameA(nullptr, sample, sizeof sample);
    sample[sizeof sample - 1] = 0;
    char* name = PathNameStart(sample);
    lstrcpynA(name, "logon.avi", static_cast<int>(sizeof sample - (name - sample)));
  }
  AVIFileInit();
  PAVIFILE file = nullptr;
  if (AVIFileOpenA(&file, sample, OF_READ, nullptr) == AVIERR_OK) {
    for (LONG index = 0; index < 10; ++index) {
      PAVISTREAM stream = nullptr;
      if (AVIFileGetStream(file, &stream, 0, index) != AVIERR_OK) continue;
      AVISTREAMINFOA info;
      std::memset(&info, 0, sizeof info);
      AVIStreamInfoA(stream, &info, sizeof info);
      if (info.fccType == streamtypeVIDEO) {
        // A cancelled dialog may still have put its defaults into the record: the values
        // of an earlier confirmation are put back, so they go on being used.
        AVICOMPRESSOPTIONS kept = g_compressOptions;
        LPAVICOMPRESSOPTIONS options = &g_compressOptions;
        int confirmed = AVISaveOptions(owner, ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE |
                                                  ICMF_CHOOSE_PREVIEW,
                                       1, &stream, &options) == 1;
        AVISaveOptionsFree(1, &options);
        if (confirmed) g_compressChosen = 1;
        else g_compressOptions = kept;
        AVIStreamRelease(stream);
        break;
      }
      AVIStreamRelease(stream);
    }
    AVIFileRelease(file);
  }
  AVIFileExit();
}

// Open enabled again, item 105 reads "&Write", and the movie is reloaded at frame 1.
static void EndWriteMode(HWND hwnd) {
  HMENU menu = GetMenu(hwnd);
  EnableMenuItem(menu, CMD_OPEN, MF_BYCOMMAND | MF_ENABLED);
  ModifyMenuA(menu, CMD_WRITE, MF_BYCOMMAND | MF_STRING, CMD_WRITE, "&Write");
  SendMessageA(hwnd, WM_COMMAND, CMD_LOAD, 0);
}

static void WarnAviNotWritten(const char* path) {
  char text[300];
  FormatText(text, sizeof text, "Could not write '%s'", path);
  ShowAviWriteWarning(text);
}

// Frames 2 to N: each step is shown and written, until Stop or the program's end. (The
// phase timers exist only in the benchmark's build.)
static void WriteLaterFrames(HWND hwnd) {
  for (int i = 1; i < g_frameCount; ++i) {
    {
      FRAME_PHASE(PHASE_PUMP);
      if (!PumpMessages()) return;
    }
    if (!g_writeRequested || !g_movieLoaded) break;  // Stop, or a message about the flic
    {
      FRAME_PHASE(PHASE_TITLE);
      FormatText(g_szTitle, sizeof g_szTitle, "%s (%ld)", PathNameStart(g_szAviPath),
                 static_cast<long>(i));
      SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(g_szTitle));
    }
    {
      // A frame that cannot be read ends the movie rather than repeat the frame before.
      FRAME_PHASE(PHASE_STEP);
      if (!(g_isFlc ? NextFlcFrame(hwnd) : NextFliFrame(hwnd))) break;
    }
    {
      FRAME_PHASE(PHASE_PAINT);
      UpdateWindow(hwnd);
    }
    FRAME_PHASE(PHASE_WRITE);
    if (!WriteAviFrame(g_frameDib)) {
      WarnAviNotWritten(g_szAviPath);
      break;
    }
  }
}

// A name that cannot be opened gives no identity; the caller then compares names.
static bool QueryFileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool known = GetFileInformationByHandle(file, info) != 0;
  CloseHandle(file);
  return known;
}

// The full path with every part in its long form (as given where the file does not exist).
static void LongFullPath(const char* path, char* out, DWORD bytes) {
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) lstrcpynA(full, path, sizeof full);
  n = GetLongPathNameA(full, out, bytes);
  if (n == 0 || n >= bytes) lstrcpynA(out, full, static_cast<int>(bytes));
}

// Whether two names denote one file, however they are written (another case, a short name,
// a relative part): by volume and file index when both can be opened, else by their full
// long paths.
static bool SameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION one, other;
  if (QueryFileIdentity(a, &one) && QueryFileIdentity(b, &other))
    return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           one.nFileIndexHigh == other.nFileIndexHigh &&
           one.nFileIndexLow == other.nFileIndexLow;
  char longA[MAX_PATH], longB[MAX_PATH];
  LongFullPath(a, longA, sizeof longA);
  LongFullPath(b, longB, sizeof longB);
  return lstrcmpiA(longA, longB) == 0;
}

// The Save dialog asked about the name as typed; when ".avi" is added to it afterwards, the
// name that will be written is asked about here, in the same words, and No goes back to the
// dialog.
static bool ConfirmReplaceAfterExtension(HWND hwnd, const char* typed) {
  if (lstrcmpA(typed, g_szAviPath) == 0 ||
      GetFileAttributesA(g_szAviPath) == INVALID_FILE_ATTRIBUTES)
    return true;
  char text[256 + 64];
  FormatText(text, sizeof text, "%s already exists.\nDo you want to replace it?", g_szAviPath);
  return MessageBoxA(hwnd, text, "Output File", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

// The output name, with ".avi" added when it has no extension; false when the dialog was
// cancelled or the program is to end.
static bool ChooseOutputFile(HWND hwnd) {
  for (;;) {
    if (!FileNameDialog(1, g_szAviPath, g_szAviDir, "Output File", "Video Files|*.avi|", hwnd) ||
        g_exitRequested)
      return false;
    char typed[sizeof g_szAviPath];
    lstrcpynA(typed, g_szAviPath, sizeof typed);
    AppendExtensionIfNone(g_szAviPath, sizeof g_szAviPath, ".avi");
    if (ConfirmReplaceAfterExtension(hwnd, typed)) return !g_exitRequested;
  }
}

void WriteMovie(HWND hwnd) {
  if (g_writing) {
    // The item reads "&Stop" while writing, however often it is chosen: the loop ends at its
    // next pass, closes the file and then restores the menu and reloads the movie, so the
    // file is complete once the menu reads "&Write".
    g_writeRequested = 0;
    return;
  }
  if (g_movieLoaded && g_writeRequested) {  // Stop
    g_writeRequested = 0;
    EndWriteMode(hwnd);
    return;
  }
  if (!g_movieLoaded) return;
  g_writeRequested = 1;
  if (!ChooseOutputFile(hwnd)) {
    g_writeRequested = 0;  // so the next Write AVI asks again
    return;
  }
  if (SameFile(g_szAviPath, g_szFlicPath)) {
    // Writing would destroy the flic being read.
    g_writeRequested = 0;
    WarnAviNotWritten(g_szAviPath);
    return;
  }
  HMENU menu = GetMenu(hwnd);
  EnableMenuItem(menu, CMD_OPEN, MF_BYCOMMAND | MF_GRAYED);
  ModifyMenuA(menu, CMD_WRITE, MF_BYCOMMAND | MF_STRING, CMD_WRITE, "&Stop");
  g_writing = 1;
  if (!g_compressConfigured) ChooseCompression(hwnd, nullptr);

  if (g_writeRequested) {  // not stopped (nor the program ended) while the dialog was up
    switch (OpenAviOutput(g_szAviPath, g_frameDib)) {
      case AVI_OPENED:
        if (WriteAviFrame(g_frameDib)) WriteLaterFrames(hwnd);
        else WarnAviNotWritten(g_szAviPath);
        break;
      case AVI_NOT_OPENED: WarnAviNotWritten(g_szAviPath); break;
      case AVI_OLD_VERSION: break;
    }
  }
  ReportFramePhases(g_aviFrameNo);
  CloseAviOutput();
  g_writing = 0;
  if (g_exitRequested) {
    // The program is to end: the file is complete, now the quit a modal or this loop may
    // have taken goes to the main loop.
    PostQuitMessage(static_cast<int>(g_quitCode));
    return;
  }
  // However the loop ended (last frame, Stop, a frame or a write that failed), the write is
  // over: never a second Save dialog, always the menu back and the movie at frame 1.
  g_writeRequested = 0;
  EndWriteMode(hwnd);
}
