/* A stand-in for the screensaver settings dialog of Windows, for the Wine
 * tests.
 *
 *   preview_host host X Y WIDTH HEIGHT
 *     Shows a borderless magenta window whose client area is WIDTH x HEIGHT
 *     at (X, Y), prints "hwnd N" (the decimal handle that "/p" takes), then
 *     obeys lines on standard input: "children" (prints "children N W H":
 *     how many child windows the host has and the client size of the
 *     first), "disable" (EnableWindow FALSE), "destroy" (DestroyWindow),
 *     "shell" (makes it the desktop's shell window, as Explorer's is, and
 *     prints "shell yes" or "shell no"), "quit". Prints "done" after each.
 *   preview_host close CLASS CAPTION
 *     Posts WM_CLOSE to the top-level window of that class and caption, as
 *     the close box would; prints "closed" or "missing".
 *   preview_host locktimeout
 *     Prints "locktimeout N": the foreground lock timeout (milliseconds) as
 *     a fresh process reads it.
 *   preview_host syscommand CAPTION
 *     Sends WM_SYSCOMMAND SC_MONITORPOWER (2, off), then SC_SCREENSAVE, to
 *     the top-level window of that caption; prints "sent" or "missing".
 *   preview_host taskbar CAPTION
 *     Prints "taskbar yes" when the top-level window of that caption gets a
 *     taskbar button by the shell's rule (visible, unowned, and an app
 *     window or not a tool window), else "taskbar no", then its extended
 *     style and its handle (hexadecimal).
 *   preview_host version FILE
 *     Prints what Windows shows of the executable FILE: "fixed F P" (the
 *     file and product version numbers), one "NAME VALUE" line for each of
 *     FileVersion, ProductVersion, ProductName, FileDescription,
 *     LegalCopyright and OriginalFilename of the version resource's first
 *     translation ("NAME" alone when missing), and "string1 TEXT", string 1
 *     of its string table, read with the file loaded as data.
 *   preview_host foreground
 *     Shows a window of its own and brings it to the foreground, prints
 *     "foreground yes" (or "no" when it is not the foreground window), then
 *     keeps it for three seconds.
 *   preview_host displaychange
 *     Broadcasts WM_DISPLAYCHANGE, as Windows does when a monitor comes or goes.
 *   preview_host displaystate CAPTION STATE
 *     Tells the top-level window of that caption, inside its own process,
 *     that the display's state is STATE (0 off, 1 on, 2 dimmed), as Windows
 *     does after RegisterPowerSettingNotification (display_hook.c, beside
 *     this program); prints "told", or "untold" when that failed.
 *   preview_host load DLL...
 *     LoadLibraryA of each DLL by its bare name, as a program that takes no
 *     care does; prints "load DLL yes" or "load DLL no" for each.
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define WM_COMMAND_LINE (WM_APP + 1)

/* user32 exports it; the headers do not declare it. */
WINUSERAPI BOOL WINAPI SetShellWindow(HWND window);

static DWORD mainThread;
static int childCount;
static HWND firstChild;

static BOOL CALLBACK CountChild(HWND child, LPARAM unused) {
  (void)unused;
  if (childCount++ == 0) firstChild = child;
  return TRUE;
}

static void PrintChildren(HWND host) {
  RECT rect = {0, 0, 0, 0};
  childCount = 0;
  firstChild = NULL;
  EnumChildWindows(host, CountChild, 0);
  if (firstChild != NULL) GetClientRect(firstChild, &rect);
  printf("children %d %ld %ld\n", childCount, rect.right - rect.left, rect.bottom - rect.top);
}

static DWORD WINAPI ReadCommands(LPVOID unused) {
  char line[128];
  (void)unused;
  while (fgets(line, sizeof line, stdin) != NULL) {
    char* copy = _strdup(line);
    copy[strcspn(copy, "\r\n")] = '\0';
    PostThreadMessageA(mainThread, WM_COMMAND_LINE, 0, (LPARAM)copy);
  }
  PostThreadMessageA(mainThread, WM_COMMAND_LINE, 0, (LPARAM)_strdup("quit"));
  return 0;
}

static int Host(int x, int y, int width, int height) {
  WNDCLASSA windowClass;
  HWND host;
  MSG message;
  memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
  windowClass.lpszClassName = "MorvaneTestPreviewHost";
  RegisterClassA(&windowClass);
  host = CreateWindowExA(0, windowClass.lpszClassName, "Preview host", WS_POPUP | WS_VISIBLE, x, y,
                         width, height, NULL, NULL, windowClass.hInstance, NULL);
  if (host == NULL) {
    printf("error no window\n");
    return 1;
  }
  UpdateWindow(host);
  mainThread = GetCurrentThreadId();
  /* Make sure the thread has a message queue before the reader posts. */
  PeekMessageA(&message, NULL, WM_USER, WM_USER, PM_NOREMOVE);
  printf("hwnd %llu\n", (unsigned long long)(ULONG_PTR)host);
  fflush(stdout);
  CreateThread(NULL, 0, ReadCommands, NULL, 0, NULL);
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    if (message.hwnd == NULL && message.message == WM_COMMAND_LINE) {
      char* command = (char*)message.lParam;
      int quit = strcmp(command, "quit") == 0;
      if (strcmp(command, "children") == 0) PrintChildren(host);
      if (strcmp(command, "disable") == 0) EnableWindow(host, FALSE);
      if (strcmp(command, "destroy") == 0) DestroyWindow(host);
      if (strcmp(command, "shell") == 0) printf("shell %s\n", SetShellWindow(host) ? "yes" : "no");
      free(command);
      printf("done\n");
      fflush(stdout);
      if (quit) break;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

static int TellDisplayState(HWND window, WPARAM state) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
  HANDLE sent = CreateEventA(NULL, FALSE, FALSE, "MorvaneTestDisplayStateSent");
  HMODULE hook = NULL;
  HOOKPROC procedure = NULL;
  HHOOK hooked = NULL;
  int told = 0;
  while (length > 0 && path[length - 1] != '\\') --length;
  if (length > 0 && length + sizeof "display_hook.dll" <= sizeof path) {
    strcpy(path + length, "display_hook.dll");
    hook = LoadLibraryA(path);
  }
  if (hook != NULL) procedure = (HOOKPROC)(void (*)(void))GetProcAddress(hook, "DisplayStateHook");
  if (window != NULL && procedure != NULL) {
    hooked = SetWindowsHookExA(WH_GETMESSAGE, procedure, hook,
                               GetWindowThreadProcessId(window, NULL));
  }
  if (hooked != NULL) {
    PostMessageA(window, RegisterWindowMessageA("MorvaneTestDisplayState"), state, 0);
    told = WaitForSingleObject(sent, 10000) == WAIT_OBJECT_0;
    UnhookWindowsHookEx(hooked);
  }
  printf("%s\n", told ? "told" : "untold");
  return !told;
}

int main(int argc, char** argv) {
  if (argc == 6 && strcmp(argv[1], "host") == 0) {
    return Host(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]));
  }
  if (argc == 4 && strcmp(argv[1], "close") == 0) {
    HWND window = FindWindowA(argv[2], argv[3]);
    if (window == NULL) {
      printf("missing\n");
      return 1;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    printf("closed\n");
    return 0;
  }
  if (argc == 2 && strcmp(argv[1], "locktimeout") == 0) {
    DWORD timeout = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
    printf("locktimeout %lu\n", (unsigned long)timeout);
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "syscommand") == 0) {
    HWND window = FindWindowA(NULL, argv[2]);
    DWORD_PTR result;
    if (window == NULL) {
      printf("missing\n");
      return 1;
    }
    SendMessageTimeoutA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2, SMTO_NORMAL, 5000, &result);
    SendMessageTimeoutA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0, SMTO_NORMAL, 5000, &result);
    printf("sent\n");
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "taskbar") == 0) {
    HWND window = FindWindowA(NULL, argv[2]);
    LONG_PTR style = GetWindowLongPtrA(window, GWL_EXSTYLE);
    int button = window != NULL && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == NULL &&
                 ((style & WS_EX_APPWINDOW) || !(style & WS_EX_TOOLWINDOW));
    printf("taskbar %s exstyle 0x%lx hwnd %p\n", button ? "yes" : "no", (unsigned long)style,
           (void*)window);
    return window == NULL;
  }
  if (argc == 3 && strcmp(argv[1], "version") == 0) {
    static const char* const names[] = {"FileVersion", "ProductVersion", "ProductName",
                                        "FileDescription", "LegalCopyright", "OriginalFilename"};
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeA(argv[2], &unused);
    char* data = size != 0 ? malloc(size) : NULL;
    VS_FIXEDFILEINFO* fixed = NULL;
    WORD* translation = NULL;
    UINT length = 0;
    char path[128];
    char text[256] = "";
    HMODULE file;
    size_t i;
    if (data != NULL && GetFileVersionInfoA(argv[2], 0, size, data) &&
        VerQueryValueA(data, "\\", (void**)&fixed, &length) &&
        VerQueryValueA(data, "\\VarFileInfo\\Translation", (void**)&translation, &length)) {
      printf("fixed %u.%u.%u.%u %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
             LOWORD(fixed->dwFileVersionLS), HIWORD(fixed->dwProductVersionMS),
             LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
             LOWORD(fixed->dwProductVersionLS));
      for (i = 0; i < sizeof names / sizeof names[0]; ++i) {
        char* value = NULL;
        snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translation[0],
                 translation[1], names[i]);
        if (VerQueryValueA(data, path, (void**)&value, &length) && length > 0) {
          printf("%s %s\n", names[i], value);
        } else {
          printf("%s\n", names[i]);
        }
      }
    }
    free(data);
    file = LoadLibraryExA(argv[2], NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (file != NULL) LoadStringA(file, 1, text, sizeof text);
    printf("string1 %s\n", text);
    return 0;
  }
  if (argc == 2 && strcmp(argv[1], "foreground") == 0) {
    HWND window = CreateWindowExA(0, "STATIC", "Foreground", WS_POPUP | WS_VISIBLE, 1700, 20, 200,
                                  200, NULL, NULL, GetModuleHandleA(NULL), NULL);
    DWORD end = GetTickCount() + 3000;
    MSG message;
    SetForegroundWindow(window);
    printf("foreground %s\n", GetForegroundWindow() == window ? "yes" : "no");
    fflush(stdout);
    while (GetTickCount() < end) {
      while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      Sleep(10);
    }
    return 0;
  }
  if (argc == 2 && strcmp(argv[1], "displaychange") == 0) {
    SendMessageTimeoutA(HWND_BROADCAST, WM_DISPLAYCHANGE, 32,
                        MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)),
                        SMTO_ABORTIFHUNG, 5000, NULL);
    return 0;
  }
  if (argc == 4 && strcmp(argv[1], "displaystate") == 0) {
    return TellDisplayState(FindWindowA(NULL, argv[2]), (WPARAM)atoi(argv[3]));
  }
  if (argc >= 3 && strcmp(argv[1], "load") == 0) {
    int i;
    for (i = 2; i < argc; ++i) printf("load %s %s\n", argv[i], LoadLibraryA(argv[i]) ? "yes" : "no");
    return 0;
  }
  fprintf(stderr, "usage: preview_host host X Y W H | close CLASS CAPTION |"
                  " locktimeout | syscommand CAPTION | taskbar CAPTION | version FILE |"
                  " foreground | displaychange | displaystate CAPTION STATE | load DLL...\n");
  return 2;
}
