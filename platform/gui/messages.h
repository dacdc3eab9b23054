// Window messages, key codes and the small records that travel with them.
//
// Every number here has its classic value, so a message quoted as
// "WM_USER + 100" or "0x0464" means the same in our window system. Control
// messages (CM_*) are CM_BASE + n with the classic offsets; notifications
// reflected back to a child control (CN_*) are CN_BASE + the WM_ number.
//
// A TMessage carries Msg, WParam, LParam and Result. Handlers look at it
// through small typed views (TWMKey, TWMMouse, ...), each a reference to
// the message with accessors for the packed parameters. Pointer-sized
// parameters (HWND, TCanvas*, record pointers) are carried as intptr_t.
// GUI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/sets.h"
#include "platform/draw/geometry.h"

struct TWnd;
// A window of our tree; null means "none". A handle stays valid until the
// window is destroyed (IsWindow tells).
using HWND = TWnd*;
using WPARAM = std::intptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

class TCanvas;
class TControl;
class TWinControl;
struct THintInfo;

// --- window messages
inline constexpr unsigned WM_NULL = 0x0000;
inline constexpr unsigned WM_CREATE = 0x0001;
inline constexpr unsigned WM_DESTROY = 0x0002;
inline constexpr unsigned WM_MOVE = 0x0003;
inline constexpr unsigned WM_SIZE = 0x0005;
inline constexpr unsigned WM_ACTIVATE = 0x0006;
inline constexpr unsigned WM_SETFOCUS = 0x0007;
inline constexpr unsigned WM_KILLFOCUS = 0x0008;
inline constexpr unsigned WM_ENABLE = 0x000A;
inline constexpr unsigned WM_SETREDRAW = 0x000B;
inline constexpr unsigned WM_SETTEXT = 0x000C;
inline constexpr unsigned WM_GETTEXT = 0x000D;
inline constexpr unsigned WM_GETTEXTLENGTH = 0x000E;
inline constexpr unsigned WM_PAINT = 0x000F;
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_QUERYENDSESSION = 0x0011;
inline constexpr unsigned WM_QUIT = 0x0012;
inline constexpr unsigned WM_ERASEBKGND = 0x0014;
inline constexpr unsigned WM_SYSCOLORCHANGE = 0x0015;
inline constexpr unsigned WM_ENDSESSION = 0x0016;
inline constexpr unsigned WM_SHOWWINDOW = 0x0018;
inline constexpr unsigned WM_WININICHANGE = 0x001A;
inline constexpr unsigned WM_SETTINGCHANGE = 0x001A;
inline constexpr unsigned WM_ACTIVATEAPP = 0x001C;
inline constexpr unsigned WM_FONTCHANGE = 0x001D;
inline constexpr unsigned WM_TIMECHANGE = 0x001E;
inline constexpr unsigned WM_CANCELMODE = 0x001F;
inline constexpr unsigned WM_SETCURSOR = 0x0020;
inline constexpr unsigned WM_MOUSEACTIVATE = 0x0021;
inline constexpr unsigned WM_CHILDACTIVATE = 0x0022;
inline constexpr unsigned WM_GETMINMAXINFO = 0x0024;
inline constexpr unsigned WM_DRAWITEM = 0x002B;
inline constexpr unsigned WM_MEASUREITEM = 0x002C;
inline constexpr unsigned WM_SETFONT = 0x0030;
inline constexpr unsigned WM_GETFONT = 0x0031;
inline constexpr unsigned WM_WINDOWPOSCHANGING = 0x0046;
inline constexpr unsigned WM_WINDOWPOSCHANGED = 0x0047;
inline constexpr unsigned WM_NOTIFY = 0x004E;
inline constexpr unsigned WM_HELP = 0x0053;
inline constexpr unsigned WM_CONTEXTMENU = 0x007B;
inline constexpr unsigned WM_STYLECHANGING = 0x007C;
inline constexpr unsigned WM_STYLECHANGED = 0x007D;
inline constexpr unsigned WM_GETICON = 0x007F;
inline constexpr unsigned WM_SETICON = 0x0080;
inline constexpr unsigned WM_NCCREATE = 0x0081;
inline constexpr unsigned WM_NCDESTROY = 0x0082;
inline constexpr unsigned WM_NCCALCSIZE = 0x0083;
inline constexpr unsigned WM_NCHITTEST = 0x0084;
inline constexpr unsigned WM_NCPAINT = 0x0085;
inline constexpr unsigned WM_NCACTIVATE = 0x0086;
inline constexpr unsigned WM_GETDLGCODE = 0x0087;
inline constexpr unsigned WM_NCMOUSEMOVE = 0x00A0;
inline constexpr unsigned WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr unsigned WM_NCLBUTTONUP = 0x00A2;
inline constexpr unsigned WM_NCLBUTTONDBLCLK = 0x00A3;
inline constexpr unsigned WM_NCRBUTTONDOWN = 0x00A4;
inline constexpr unsigned WM_NCRBUTTONUP = 0x00A5;
inline constexpr unsigned WM_NCRBUTTONDBLCLK = 0x00A6;
inline constexpr unsigned WM_NCMBUTTONDOWN = 0x00A7;
inline constexpr unsigned WM_NCMBUTTONUP = 0x00A8;
inline constexpr unsigned WM_NCMBUTTONDBLCLK = 0x00A9;
inline constexpr unsigned WM_KEYFIRST = 0x0100;
inline constexpr unsigned WM_KEYDOWN = 0x0100;
inline constexpr unsigned WM_KEYUP = 0x0101;
inline constexpr unsigned WM_CHAR = 0x0102;
inline constexpr unsigned WM_DEADCHAR = 0x0103;
inline constexpr unsigned WM_SYSKEYDOWN = 0x0104;
inline constexpr unsigned WM_SYSKEYUP = 0x0105;
inline constexpr unsigned WM_SYSCHAR = 0x0106;
inline constexpr unsigned WM_SYSDEADCHAR = 0x0107;
inline constexpr unsigned WM_KEYLAST = 0x0108;
inline constexpr unsigned WM_IME_STARTCOMPOSITION = 0x010D;
inline constexpr unsigned WM_IME_ENDCOMPOSITION = 0x010E;
inline constexpr unsigned WM_IME_COMPOSITION = 0x010F;
inline constexpr unsigned WM_INITDIALOG = 0x0110;
inline constexpr unsigned WM_COMMAND = 0x0111;
inline constexpr unsigned WM_SYSCOMMAND = 0x0112;
inline constexpr unsigned WM_TIMER = 0x0113;
inline constexpr unsigned WM_HSCROLL = 0x0114;
inline constexpr unsigned WM_VSCROLL = 0x0115;
inline constexpr unsigned WM_INITMENU = 0x0116;
inline constexpr unsigned WM_INITMENUPOPUP = 0x0117;
inline constexpr unsigned WM_MENUSELECT = 0x011F;
inline constexpr unsigned WM_MENUCHAR = 0x0120;
inline constexpr unsigned WM_ENTERIDLE = 0x0121;
inline constexpr unsigned WM_CTLCOLORMSGBOX = 0x0132;
inline constexpr unsigned WM_CTLCOLOREDIT = 0x0133;
inline constexpr unsigned WM_CTLCOLORLISTBOX = 0x0134;
inline constexpr unsigned WM_CTLCOLORBTN = 0x0135;
inline constexpr unsigned WM_CTLCOLORDLG = 0x0136;
inline constexpr unsigned WM_CTLCOLORSCROLLBAR = 0x0137;
inline constexpr unsigned WM_CTLCOLORSTATIC = 0x0138;
inline constexpr unsigned WM_MOUSEFIRST = 0x0200;
inline constexpr unsigned WM_MOUSEMOVE = 0x0200;
inline constexpr unsigned WM_LBUTTONDOWN = 0x0201;
inline constexpr unsigned WM_LBUTTONUP = 0x0202;
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned WM_RBUTTONDOWN = 0x0204;
inline constexpr unsigned WM_RBUTTONUP = 0x0205;
inline constexpr unsigned WM_RBUTTONDBLCLK = 0x0206;
inline constexpr unsigned WM_MBUTTONDOWN = 0x0207;
inline constexpr unsigned WM_MBUTTONUP = 0x0208;
inline constexpr unsigned WM_MBUTTONDBLCLK = 0x0209;
inline constexpr unsigned WM_MOUSEWHEEL = 0x020A;
inline constexpr unsigned WM_MOUSELAST = 0x020A;
inline constexpr unsigned WM_PARENTNOTIFY = 0x0210;
inline constexpr unsigned WM_ENTERMENULOOP = 0x0211;
inline constexpr unsigned WM_EXITMENULOOP = 0x0212;
inline constexpr unsigned WM_CAPTURECHANGED = 0x0215;
inline constexpr unsigned WM_ENTERSIZEMOVE = 0x0231;
inline constexpr unsigned WM_EXITSIZEMOVE = 0x0232;
inline constexpr unsigned WM_IME_SETCONTEXT = 0x0281;
inline constexpr unsigned WM_MOUSEHOVER = 0x02A1;
inline constexpr unsigned WM_MOUSELEAVE = 0x02A3;
inline constexpr unsigned WM_CUT = 0x0300;
inline constexpr unsigned WM_COPY = 0x0301;
inline constexpr unsigned WM_PASTE = 0x0302;
inline constexpr unsigned WM_CLEAR = 0x0303;
inline constexpr unsigned WM_UNDO = 0x0304;
inline constexpr unsigned WM_PRINT = 0x0317;
inline constexpr unsigned WM_PRINTCLIENT = 0x0318;
inline constexpr unsigned WM_USER = 0x0400;
inline constexpr unsigned WM_APP = 0x8000;

// --- control messages
inline constexpr unsigned CM_BASE = 0xB000;
inline constexpr unsigned CM_ACTIVATE = CM_BASE + 0;
inline constexpr unsigned CM_DEACTIVATE = CM_BASE + 1;
inline constexpr unsigned CM_GOTFOCUS = CM_BASE + 2;
inline constexpr unsigned CM_LOSTFOCUS = CM_BASE + 3;
inline constexpr unsigned CM_CANCELMODE = CM_BASE + 4;
inline constexpr unsigned CM_DIALOGKEY = CM_BASE + 5;
inline constexpr unsigned CM_DIALOGCHAR = CM_BASE + 6;
inline constexpr unsigned CM_FOCUSCHANGED = CM_BASE + 7;
inline constexpr unsigned CM_PARENTFONTCHANGED = CM_BASE + 8;
inline constexpr unsigned CM_PARENTCOLORCHANGED = CM_BASE + 9;
inline constexpr unsigned CM_HITTEST = CM_BASE + 10;
inline constexpr unsigned CM_VISIBLECHANGED = CM_BASE + 11;
inline constexpr unsigned CM_ENABLEDCHANGED = CM_BASE + 12;
inline constexpr unsigned CM_COLORCHANGED = CM_BASE + 13;
inline constexpr unsigned CM_FONTCHANGED = CM_BASE + 14;
inline constexpr unsigned CM_CURSORCHANGED = CM_BASE + 15;
inline constexpr unsigned CM_CTL3DCHANGED = CM_BASE + 16;
inline constexpr unsigned CM_PARENTCTL3DCHANGED = CM_BASE + 17;
inline constexpr unsigned CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr unsigned CM_MOUSEENTER = CM_BASE + 19;
inline constexpr unsigned CM_MOUSELEAVE = CM_BASE + 20;
inline constexpr unsigned CM_MENUCHANGED = CM_BASE + 21;
inline constexpr unsigned CM_APPKEYDOWN = CM_BASE + 22;
inline constexpr unsigned CM_APPSYSCOMMAND = CM_BASE + 23;
inline constexpr unsigned CM_BUTTONPRESSED = CM_BASE + 24;
inline constexpr unsigned CM_SHOWINGCHANGED = CM_BASE + 25;
inline constexpr unsigned CM_ENTER = CM_BASE + 26;
inline constexpr unsigned CM_EXIT = CM_BASE + 27;
inline constexpr unsigned CM_DESIGNHITTEST = CM_BASE + 28;
inline constexpr unsigned CM_ICONCHANGED = CM_BASE + 29;
inline constexpr unsigned CM_WANTSPECIALKEY = CM_BASE + 30;
inline constexpr unsigned CM_INVOKEHELP = CM_BASE + 31;
inline constexpr unsigned CM_WINDOWHOOK = CM_BASE + 32;
inline constexpr unsigned CM_RELEASE = CM_BASE + 33;
inline constexpr unsigned CM_SHOWHINTCHANGED = CM_BASE + 34;
inline constexpr unsigned CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
inline constexpr unsigned CM_SYSCOLORCHANGE = CM_BASE + 36;
inline constexpr unsigned CM_WININICHANGE = CM_BASE + 37;
inline constexpr unsigned CM_FONTCHANGE = CM_BASE + 38;
inline constexpr unsigned CM_TIMECHANGE = CM_BASE + 39;
inline constexpr unsigned CM_TABSTOPCHANGED = CM_BASE + 40;
inline constexpr unsigned CM_UIACTIVATE = CM_BASE + 41;
inline constexpr unsigned CM_UIDEACTIVATE = CM_BASE + 42;
inline constexpr unsigned CM_DOCWINDOWACTIVATE = CM_BASE + 43;
inline constexpr unsigned CM_CONTROLLISTCHANGE = CM_BASE + 44;
inline constexpr unsigned CM_GETDATALINK = CM_BASE + 45;
inline constexpr unsigned CM_CHILDKEY = CM_BASE + 46;
inline constexpr unsigned CM_DRAG = CM_BASE + 47;
inline constexpr unsigned CM_HINTSHOW = CM_BASE + 48;
inline constexpr unsigned CM_DIALOGHANDLE = CM_BASE + 49;
inline constexpr unsigned CM_ISTOOLCONTROL = CM_BASE + 50;
inline constexpr unsigned CM_RECREATEWND = CM_BASE + 51;
inline constexpr unsigned CM_INVALIDATE = CM_BASE + 52;
inline constexpr unsigned CM_SYSFONTCHANGED = CM_BASE + 53;
inline constexpr unsigned CM_CONTROLCHANGE = CM_BASE + 54;
inline constexpr unsigned CM_CHANGED = CM_BASE + 55;
inline constexpr unsigned CM_BORDERCHANGED = CM_BASE + 59;
inline constexpr unsigned CM_BIDIMODECHANGED = CM_BASE + 60;
inline constexpr unsigned CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
inline constexpr unsigned CM_ACTIONUPDATE = CM_BASE + 63;
inline constexpr unsigned CM_ACTIONEXECUTE = CM_BASE + 64;
inline constexpr unsigned CM_HINTSHOWPAUSE = CM_BASE + 65;
inline constexpr unsigned CM_MOUSEWHEEL = CM_BASE + 67;

// --- notifications reflected to the child control that caused them
inline constexpr unsigned CN_BASE = 0xBC00;
inline constexpr unsigned CN_CHARTOITEM = CN_BASE + 0x002F;
inline constexpr unsigned CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr unsigned CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
inline constexpr unsigned CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
inline constexpr unsigned CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
inline constexpr unsigned CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
inline constexpr unsigned CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
inline constexpr unsigned CN_NOTIFY = CN_BASE + WM_NOTIFY;
inline constexpr unsigned CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
inline constexpr unsigned CN_KEYUP = CN_BASE + WM_KEYUP;
inline constexpr unsigned CN_CHAR = CN_BASE + WM_CHAR;
inline constexpr unsigned CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
inline constexpr unsigned CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
inline constexpr unsigned CN_HSCROLL = CN_BASE + WM_HSCROLL;
inline constexpr unsigned CN_VSCROLL = CN_BASE + WM_VSCROLL;

// --- edit, list box, combo box and button messages and notifications
inline constexpr unsigned EM_GETSEL = 0x00B0;
inline constexpr unsigned EM_SETSEL = 0x00B1;
inline constexpr unsigned EM_GETRECT = 0x00B2;
inline constexpr unsigned EM_SETRECT = 0x00B3;
inline constexpr unsigned EM_SETRECTNP = 0x00B4;
inline constexpr unsigned EM_SCROLL = 0x00B5;
inline constexpr unsigned EM_LINESCROLL = 0x00B6;
inline constexpr unsigned EM_SCROLLCARET = 0x00B7;
inline constexpr unsigned EM_GETMODIFY = 0x00B8;
inline constexpr unsigned EM_SETMODIFY = 0x00B9;
inline constexpr unsigned EM_GETLINECOUNT = 0x00BA;
inline constexpr unsigned EM_LINEINDEX = 0x00BB;
inline constexpr unsigned EM_LINELENGTH = 0x00C1;
inline constexpr unsigned EM_REPLACESEL = 0x00C2;
inline constexpr unsigned EM_GETLINE = 0x00C4;
inline constexpr unsigned EM_LIMITTEXT = 0x00C5;
inline constexpr unsigned EM_SETLIMITTEXT = 0x00C5;
inline constexpr unsigned EM_CANUNDO = 0x00C6;
inline constexpr unsigned EM_UNDO = 0x00C7;
inline constexpr unsigned EM_LINEFROMCHAR = 0x00C9;
inline constexpr unsigned EM_SETPASSWORDCHAR = 0x00CC;
inline constexpr unsigned EM_EMPTYUNDOBUFFER = 0x00CD;
inline constexpr unsigned EM_GETFIRSTVISIBLELINE = 0x00CE;
inline constexpr unsigned EM_SETREADONLY = 0x00CF;
inline constexpr unsigned EM_SETMARGINS = 0x00D3;
inline constexpr unsigned EM_GETMARGINS = 0x00D4;
inline constexpr unsigned EM_GETLIMITTEXT = 0x00D5;
inline constexpr unsigned EM_POSFROMCHAR = 0x00D6;
inline constexpr unsigned EM_CHARFROMPOS = 0x00D7;
inline constexpr unsigned EN_SETFOCUS = 0x0100;
inline constexpr unsigned EN_KILLFOCUS = 0x0200;
inline constexpr unsigned EN_CHANGE = 0x0300;
inline constexpr unsigned EN_UPDATE = 0x0400;

inline constexpr unsigned LB_ADDSTRING = 0x0180;
inline constexpr unsigned LB_INSERTSTRING = 0x0181;
inline constexpr unsigned LB_DELETESTRING = 0x0182;
inline constexpr unsigned LB_RESETCONTENT = 0x0184;
inline constexpr unsigned LB_SETSEL = 0x0185;
inline constexpr unsigned LB_SETCURSEL = 0x0186;
inline constexpr unsigned LB_GETSEL = 0x0187;
inline constexpr unsigned LB_GETCURSEL = 0x0188;
inline constexpr unsigned LB_GETTEXT = 0x0189;
inline constexpr unsigned LB_GETTEXTLEN = 0x018A;
inline constexpr unsigned LB_GETCOUNT = 0x018B;
inline constexpr unsigned LB_SELECTSTRING = 0x018C;
inline constexpr unsigned LB_GETTOPINDEX = 0x018E;
inline constexpr unsigned LB_FINDSTRING = 0x018F;
inline constexpr unsigned LB_GETSELCOUNT = 0x0190;
inline constexpr unsigned LB_SETTOPINDEX = 0x0197;
inline constexpr unsigned LB_GETITEMRECT = 0x0198;
inline constexpr unsigned LB_GETITEMDATA = 0x0199;
inline constexpr unsigned LB_SETITEMDATA = 0x019A;
inline constexpr unsigned LB_SETCARETINDEX = 0x019E;
inline constexpr unsigned LB_GETCARETINDEX = 0x019F;
inline constexpr unsigned LB_SETITEMHEIGHT = 0x01A0;
inline constexpr unsigned LB_GETITEMHEIGHT = 0x01A1;
inline constexpr unsigned LB_FINDSTRINGEXACT = 0x01A2;
inline constexpr unsigned LB_ITEMFROMPOINT = 0x01A9;
inline constexpr int LB_ERR = -1;
inline constexpr unsigned LBN_SELCHANGE = 1;
inline constexpr unsigned LBN_DBLCLK = 2;

inline constexpr unsigned CB_GETEDITSEL = 0x0140;
inline constexpr unsigned CB_LIMITTEXT = 0x0141;
inline constexpr unsigned CB_SETEDITSEL = 0x0142;
inline constexpr unsigned CB_ADDSTRING = 0x0143;
inline constexpr unsigned CB_DELETESTRING = 0x0144;
inline constexpr unsigned CB_GETCOUNT = 0x0146;
inline constexpr unsigned CB_GETCURSEL = 0x0147;
inline constexpr unsigned CB_GETLBTEXT = 0x0148;
inline constexpr unsigned CB_GETLBTEXTLEN = 0x0149;
inline constexpr unsigned CB_INSERTSTRING = 0x014A;
inline constexpr unsigned CB_RESETCONTENT = 0x014B;
inline constexpr unsigned CB_FINDSTRING = 0x014C;
inline constexpr unsigned CB_SELECTSTRING = 0x014D;
inline constexpr unsigned CB_SETCURSEL = 0x014E;
inline constexpr unsigned CB_SHOWDROPDOWN = 0x014F;
inline constexpr unsigned CB_GETITEMDATA = 0x0150;
inline constexpr unsigned CB_SETITEMDATA = 0x0151;
inline constexpr unsigned CB_GETDROPPEDCONTROLRECT = 0x0152;
inline constexpr unsigned CB_SETITEMHEIGHT = 0x0153;
inline constexpr unsigned CB_GETITEMHEIGHT = 0x0154;
inline constexpr unsigned CB_GETDROPPEDSTATE = 0x0157;
inline constexpr unsigned CB_FINDSTRINGEXACT = 0x0158;
inline constexpr unsigned CB_GETDROPPEDWIDTH = 0x015F;
inline constexpr unsigned CB_SETDROPPEDWIDTH = 0x0160;
inline constexpr unsigned CBN_SELCHANGE = 1;
inline constexpr unsigned CBN_DBLCLK = 2;
inline constexpr unsigned CBN_EDITCHANGE = 5;
inline constexpr unsigned CBN_DROPDOWN = 7;
inline constexpr unsigned CBN_CLOSEUP = 8;

inline constexpr unsigned BM_GETCHECK = 0x00F0;
inline constexpr unsigned BM_SETCHECK = 0x00F1;
inline constexpr unsigned BM_GETSTATE = 0x00F2;
inline constexpr unsigned BM_SETSTATE = 0x00F3;
inline constexpr unsigned BM_SETSTYLE = 0x00F4;
inline constexpr unsigned BM_CLICK = 0x00F5;
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;
inline constexpr unsigned BN_CLICKED = 0;

// --- scroll bars: codes of WM_HSCROLL/WM_VSCROLL, bars, info flags
inline constexpr int SB_LINEUP = 0;
inline constexpr int SB_LINELEFT = 0;
inline constexpr int SB_LINEDOWN = 1;
inline constexpr int SB_LINERIGHT = 1;
inline constexpr int SB_PAGEUP = 2;
inline constexpr int SB_PAGELEFT = 2;
inline constexpr int SB_PAGEDOWN = 3;
inline constexpr int SB_PAGERIGHT = 3;
inline constexpr int SB_THUMBPOSITION = 4;
inline constexpr int SB_THUMBTRACK = 5;
inline constexpr int SB_TOP = 6;
inline constexpr int SB_LEFT = 6;
inline constexpr int SB_BOTTOM = 7;
inline constexpr int SB_RIGHT = 7;
inline constexpr int SB_ENDSCROLL = 8;
inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr int SB_CTL = 2;
inline constexpr int SB_BOTH = 3;
inline constexpr unsigned SIF_RANGE = 0x0001;
inline constexpr unsigned SIF_PAGE = 0x0002;
inline constexpr unsigned SIF_POS = 0x0004;
inline constexpr unsigned SIF_DISABLENOSCROLL = 0x0008;
inline constexpr unsigned SIF_TRACKPOS = 0x0010;
inline constexpr unsigned SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
inline constexpr unsigned ESB_ENABLE_BOTH = 0;
inline constexpr unsigned ESB_DISABLE_LTUP = 1;
inline constexpr unsigned ESB_DISABLE_LEFT = 1;
inline constexpr unsigned ESB_DISABLE_UP = 1;
inline constexpr unsigned ESB_DISABLE_RTDN = 2;
inline constexpr unsigned ESB_DISABLE_RIGHT = 2;
inline constexpr unsigned ESB_DISABLE_DOWN = 2;
inline constexpr unsigned ESB_DISABLE_BOTH = 3;

// --- virtual key codes ('0'..'9' and 'A'..'Z' are their ASCII codes)
inline constexpr unsigned VK_LBUTTON = 0x01;
inline constexpr unsigned VK_RBUTTON = 0x02;
inline constexpr unsigned VK_CANCEL = 0x03;
inline constexpr unsigned VK_MBUTTON = 0x04;
inline constexpr unsigned VK_BACK = 0x08;
inline constexpr unsigned VK_TAB = 0x09;
inline constexpr unsigned VK_CLEAR = 0x0C;
inline constexpr unsigned VK_RETURN = 0x0D;
inline constexpr unsigned VK_SHIFT = 0x10;
inline constexpr unsigned VK_CONTROL = 0x11;
inline constexpr unsigned VK_MENU = 0x12;
inline constexpr unsigned VK_PAUSE = 0x13;
inline constexpr unsigned VK_CAPITAL = 0x14;
inline constexpr unsigned VK_ESCAPE = 0x1B;
inline constexpr unsigned VK_SPACE = 0x20;
inline constexpr unsigned VK_PRIOR = 0x21;
inline constexpr unsigned VK_NEXT = 0x22;
inline constexpr unsigned VK_END = 0x23;
inline constexpr unsigned VK_HOME = 0x24;
inline constexpr unsigned VK_LEFT = 0x25;
inline constexpr unsigned VK_UP = 0x26;
inline constexpr unsigned VK_RIGHT = 0x27;
inline constexpr unsigned VK_DOWN = 0x28;
inline constexpr unsigned VK_SELECT = 0x29;
inline constexpr unsigned VK_PRINT = 0x2A;
inline constexpr unsigned VK_EXECUTE = 0x2B;
inline constexpr unsigned VK_SNAPSHOT = 0x2C;
inline constexpr unsigned VK_INSERT = 0x2D;
inline constexpr unsigned VK_DELETE = 0x2E;
inline constexpr unsigned VK_HELP = 0x2F;
inline constexpr unsigned VK_LWIN = 0x5B;
inline constexpr unsigned VK_RWIN = 0x5C;
inline constexpr unsigned VK_APPS = 0x5D;
inline constexpr unsigned VK_NUMPAD0 = 0x60;
inline constexpr unsigned VK_NUMPAD1 = 0x61;
inline constexpr unsigned VK_NUMPAD2 = 0x62;
inline constexpr unsigned VK_NUMPAD3 = 0x63;
inline constexpr unsigned VK_NUMPAD4 = 0x64;
inline constexpr unsigned VK_NUMPAD5 = 0x65;
inline constexpr unsigned VK_NUMPAD6 = 0x66;
inline constexpr unsigned VK_NUMPAD7 = 0x67;
inline constexpr unsigned VK_NUMPAD8 = 0x68;
inline constexpr unsigned VK_NUMPAD9 = 0x69;
inline constexpr unsigned VK_MULTIPLY = 0x6A;
inline constexpr unsigned VK_ADD = 0x6B;
inline constexpr unsigned VK_SEPARATOR = 0x6C;
inline constexpr unsigned VK_SUBTRACT = 0x6D;
inline constexpr unsigned VK_DECIMAL = 0x6E;
inline constexpr unsigned VK_DIVIDE = 0x6F;
inline constexpr unsigned VK_F1 = 0x70;
inline constexpr unsigned VK_F2 = 0x71;
inline constexpr unsigned VK_F3 = 0x72;
inline constexpr unsigned VK_F4 = 0x73;
inline constexpr unsigned VK_F5 = 0x74;
inline constexpr unsigned VK_F6 = 0x75;
inline constexpr unsigned VK_F7 = 0x76;
inline constexpr unsigned VK_F8 = 0x77;
inline constexpr unsigned VK_F9 = 0x78;
inline constexpr unsigned VK_F10 = 0x79;
inline constexpr unsigned VK_F11 = 0x7A;
inline constexpr unsigned VK_F12 = 0x7B;
inline constexpr unsigned VK_NUMLOCK = 0x90;
inline constexpr unsigned VK_SCROLL = 0x91;
inline constexpr unsigned VK_LSHIFT = 0xA0;
inline constexpr unsigned VK_RSHIFT = 0xA1;
inline constexpr unsigned VK_LCONTROL = 0xA2;
inline constexpr unsigned VK_RCONTROL = 0xA3;
inline constexpr unsigned VK_LMENU = 0xA4;
inline constexpr unsigned VK_RMENU = 0xA5;
inline constexpr unsigned VK_OEM_1 = 0xBA;
inline constexpr unsigned VK_OEM_PLUS = 0xBB;
inline constexpr unsigned VK_OEM_COMMA = 0xBC;
inline constexpr unsigned VK_OEM_MINUS = 0xBD;
inline constexpr unsigned VK_OEM_PERIOD = 0xBE;
inline constexpr unsigned VK_OEM_2 = 0xBF;
inline constexpr unsigned VK_OEM_3 = 0xC0;
inline constexpr unsigned VK_OEM_4 = 0xDB;
inline constexpr unsigned VK_OEM_5 = 0xDC;
inline constexpr unsigned VK_OEM_6 = 0xDD;
inline constexpr unsigned VK_OEM_7 = 0xDE;

// --- mouse key flags (WParam of mouse messages)
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;
inline constexpr unsigned MK_MBUTTON = 0x0010;
// Our own: Alt held (the classic flags had none; the shift state needs it).
inline constexpr unsigned MK_ALT = 0x0020;
inline constexpr int WHEEL_DELTA = 120;

// --- hit-test codes (Result of WM_NCHITTEST)
inline constexpr int HTERROR = -2;
inline constexpr int HTTRANSPARENT = -1;
inline constexpr int HTNOWHERE = 0;
inline constexpr int HTCLIENT = 1;
inline constexpr int HTCAPTION = 2;
inline constexpr int HTSYSMENU = 3;
inline constexpr int HTGROWBOX = 4;
inline constexpr int HTSIZE = 4;
inline constexpr int HTMENU = 5;
inline constexpr int HTHSCROLL = 6;
inline constexpr int HTVSCROLL = 7;
inline constexpr int HTMINBUTTON = 8;
inline constexpr int HTMAXBUTTON = 9;
inline constexpr int HTLEFT = 10;
inline constexpr int HTRIGHT = 11;
inline constexpr int HTTOP = 12;
inline constexpr int HTTOPLEFT = 13;
inline constexpr int HTTOPRIGHT = 14;
inline constexpr int HTBOTTOM = 15;
inline constexpr int HTBOTTOMLEFT = 16;
inline constexpr int HTBOTTOMRIGHT = 17;
inline constexpr int HTBORDER = 18;
inline constexpr int HTCLOSE = 20;
inline constexpr int HTHELP = 21;

// --- dialog codes (Result of WM_GETDLGCODE)
inline constexpr unsigned DLGC_WANTARROWS = 0x0001;
inline constexpr unsigned DLGC_WANTTAB = 0x0002;
inline constexpr unsigned DLGC_WANTALLKEYS = 0x0004;
inline constexpr unsigned DLGC_WANTMESSAGE = 0x0004;
inline constexpr unsigned DLGC_HASSETSEL = 0x0008;
inline constexpr unsigned DLGC_DEFPUSHBUTTON = 0x0010;
inline constexpr unsigned DLGC_UNDEFPUSHBUTTON = 0x0020;
inline constexpr unsigned DLGC_RADIOBUTTON = 0x0040;
inline constexpr unsigned DLGC_WANTCHARS = 0x0080;
inline constexpr unsigned DLGC_STATIC = 0x0100;
inline constexpr unsigned DLGC_BUTTON = 0x2000;

// --- show commands
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_NORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_MAXIMIZE = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;
inline constexpr int SW_SHOWDEFAULT = 10;

// --- window styles, extended styles and class styles
inline constexpr std::uint32_t WS_OVERLAPPED = 0x00000000;
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_MINIMIZE = 0x20000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000;
inline constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000;
inline constexpr std::uint32_t WS_MAXIMIZE = 0x01000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_DLGFRAME = 0x00400000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::uint32_t WS_SIZEBOX = 0x00040000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;
inline constexpr std::uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;
inline constexpr std::uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr std::uint32_t WS_EX_NOPARENTNOTIFY = 0x00000004;
inline constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008;
inline constexpr std::uint32_t WS_EX_ACCEPTFILES = 0x00000010;
inline constexpr std::uint32_t WS_EX_TRANSPARENT = 0x00000020;
inline constexpr std::uint32_t WS_EX_MDICHILD = 0x00000040;
inline constexpr std::uint32_t WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr std::uint32_t WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr std::uint32_t WS_EX_CONTEXTHELP = 0x00000400;
inline constexpr std::uint32_t WS_EX_RIGHT = 0x00001000;
inline constexpr std::uint32_t WS_EX_RTLREADING = 0x00002000;
inline constexpr std::uint32_t WS_EX_LEFTSCROLLBAR = 0x00004000;
inline constexpr std::uint32_t WS_EX_CONTROLPARENT = 0x00010000;
inline constexpr std::uint32_t WS_EX_STATICEDGE = 0x00020000;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;
inline constexpr std::uint32_t WS_EX_NOACTIVATE = 0x08000000;
inline constexpr std::uint32_t CS_VREDRAW = 0x0001;
inline constexpr std::uint32_t CS_HREDRAW = 0x0002;
inline constexpr std::uint32_t CS_DBLCLKS = 0x0008;
inline constexpr std::uint32_t CS_SAVEBITS = 0x0800;
inline constexpr std::uint32_t CS_DROPSHADOW = 0x00020000;

// --- edit and combo box styles (CreateParams sets them to match the
// properties)
inline constexpr std::uint32_t ES_LEFT = 0x0000;
inline constexpr std::uint32_t ES_CENTER = 0x0001;
inline constexpr std::uint32_t ES_RIGHT = 0x0002;
inline constexpr std::uint32_t ES_MULTILINE = 0x0004;
inline constexpr std::uint32_t ES_UPPERCASE = 0x0008;
inline constexpr std::uint32_t ES_LOWERCASE = 0x0010;
inline constexpr std::uint32_t ES_PASSWORD = 0x0020;
inline constexpr std::uint32_t ES_AUTOVSCROLL = 0x0040;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr std::uint32_t ES_NOHIDESEL = 0x0100;
inline constexpr std::uint32_t ES_READONLY = 0x0800;
inline constexpr std::uint32_t ES_WANTRETURN = 0x1000;
inline constexpr std::uint32_t CBS_SIMPLE = 0x0001;
inline constexpr std::uint32_t CBS_DROPDOWN = 0x0002;
inline constexpr std::uint32_t CBS_DROPDOWNLIST = 0x0003;
inline constexpr std::uint32_t CBS_OWNERDRAWFIXED = 0x0010;
inline constexpr std::uint32_t CBS_AUTOHSCROLL = 0x0040;
inline constexpr std::uint32_t CBS_SORT = 0x0100;

// --- SetWindowPos flags
inline constexpr unsigned SWP_NOSIZE = 0x0001;
inline constexpr unsigned SWP_NOMOVE = 0x0002;
inline constexpr unsigned SWP_NOZORDER = 0x0004;
inline constexpr unsigned SWP_NOREDRAW = 0x0008;
inline constexpr unsigned SWP_NOACTIVATE = 0x0010;
inline constexpr unsigned SWP_FRAMECHANGED = 0x0020;
inline constexpr unsigned SWP_SHOWWINDOW = 0x0040;
inline constexpr unsigned SWP_HIDEWINDOW = 0x0080;
inline constexpr unsigned SWP_NOOWNERZORDER = 0x0200;

// --- RedrawWindow flags
inline constexpr unsigned RDW_INVALIDATE = 0x0001;
inline constexpr unsigned RDW_ERASE = 0x0004;
inline constexpr unsigned RDW_VALIDATE = 0x0008;
inline constexpr unsigned RDW_NOERASE = 0x0020;
inline constexpr unsigned RDW_NOCHILDREN = 0x0040;
inline constexpr unsigned RDW_ALLCHILDREN = 0x0080;
inline constexpr unsigned RDW_UPDATENOW = 0x0100;
inline constexpr unsigned RDW_ERASENOW = 0x0200;
inline constexpr unsigned RDW_FRAME = 0x0400;
inline constexpr unsigned RDW_NOFRAME = 0x0800;

// --- PeekMessage flags
inline constexpr unsigned PM_NOREMOVE = 0x0000;
inline constexpr unsigned PM_REMOVE = 0x0001;
inline constexpr unsigned PM_NOYIELD = 0x0002;

// --- system metrics (GetSystemMetrics)
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CXVSCROLL = 2;
inline constexpr int SM_CYHSCROLL = 3;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXBORDER = 5;
inline constexpr int SM_CYBORDER = 6;
inline constexpr int SM_CXDLGFRAME = 7;
inline constexpr int SM_CYDLGFRAME = 8;
inline constexpr int SM_CYVTHUMB = 9;
inline constexpr int SM_CXHTHUMB = 10;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr int SM_CXCURSOR = 13;
inline constexpr int SM_CYCURSOR = 14;
inline constexpr int SM_CYMENU = 15;
inline constexpr int SM_CXFULLSCREEN = 16;
inline constexpr int SM_CYFULLSCREEN = 17;
inline constexpr int SM_CYVSCROLL = 20;
inline constexpr int SM_CXHSCROLL = 21;
inline constexpr int SM_CXMIN = 28;
inline constexpr int SM_CYMIN = 29;
inline constexpr int SM_CXSIZE = 30;
inline constexpr int SM_CYSIZE = 31;
inline constexpr int SM_CXFRAME = 32;
inline constexpr int SM_CYFRAME = 33;
inline constexpr int SM_CXDOUBLECLK = 36;
inline constexpr int SM_CYDOUBLECLK = 37;
inline constexpr int SM_CXEDGE = 45;
inline constexpr int SM_CYEDGE = 46;
inline constexpr int SM_CXSMICON = 49;
inline constexpr int SM_CYSMICON = 50;
inline constexpr int SM_CYSMCAPTION = 51;
inline constexpr int SM_CXDRAG = 68;
inline constexpr int SM_CYDRAG = 69;
inline constexpr int SM_CXMENUCHECK = 71;
inline constexpr int SM_CYMENUCHECK = 72;

// --- activation
inline constexpr int MA_ACTIVATE = 1;
inline constexpr int MA_ACTIVATEANDEAT = 2;
inline constexpr int MA_NOACTIVATE = 3;
inline constexpr int MA_NOACTIVATEANDEAT = 4;
inline constexpr int WA_INACTIVE = 0;
inline constexpr int WA_ACTIVE = 1;
inline constexpr int WA_CLICKACTIVE = 2;

// --- WM_SIZE kinds and WM_SYSCOMMAND codes
inline constexpr int SIZE_RESTORED = 0;
inline constexpr int SIZE_MINIMIZED = 1;
inline constexpr int SIZE_MAXIMIZED = 2;
inline constexpr unsigned SC_SIZE = 0xF000;
inline constexpr unsigned SC_MOVE = 0xF010;
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_MAXIMIZE = 0xF030;
inline constexpr unsigned SC_CLOSE = 0xF060;
inline constexpr unsigned SC_KEYMENU = 0xF100;
inline constexpr unsigned SC_RESTORE = 0xF120;

// --- message boxes: flags and results
inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_OKCANCEL = 0x0001;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x0002;
inline constexpr unsigned MB_YESNOCANCEL = 0x0003;
inline constexpr unsigned MB_YESNO = 0x0004;
inline constexpr unsigned MB_RETRYCANCEL = 0x0005;
inline constexpr unsigned MB_ICONHAND = 0x0010;
inline constexpr unsigned MB_ICONERROR = 0x0010;
inline constexpr unsigned MB_ICONSTOP = 0x0010;
inline constexpr unsigned MB_ICONQUESTION = 0x0020;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x0030;
inline constexpr unsigned MB_ICONWARNING = 0x0030;
inline constexpr unsigned MB_ICONASTERISK = 0x0040;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;
inline constexpr unsigned MB_DEFBUTTON1 = 0x0000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x0100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x0200;
inline constexpr unsigned MB_APPLMODAL = 0x0000;
inline constexpr unsigned MB_SYSTEMMODAL = 0x1000;
inline constexpr unsigned MB_TASKMODAL = 0x2000;
inline constexpr unsigned MB_SETFOREGROUND = 0x00010000;
inline constexpr unsigned MB_TOPMOST = 0x00040000;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDCLOSE = 8;
inline constexpr int IDHELP = 9;

// --- packing of parameters
constexpr std::uint16_t LoWord(std::intptr_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
constexpr std::uint16_t HiWord(std::intptr_t v) {
  return static_cast<std::uint16_t>((v >> 16) & 0xFFFF);
}
constexpr std::intptr_t MakeLong(int lo, int hi) {
  return static_cast<std::intptr_t>(
      static_cast<std::uint32_t>(static_cast<std::uint16_t>(lo)) |
      (static_cast<std::uint32_t>(static_cast<std::uint16_t>(hi)) << 16));
}
constexpr LPARAM MakeLParam(int lo, int hi) { return MakeLong(lo, hi); }
constexpr WPARAM MakeWParam(int lo, int hi) { return MakeLong(lo, hi); }
// The signed x and y packed by MakeLParam (points may be negative).
constexpr int GetXLParam(LPARAM v) { return static_cast<std::int16_t>(LoWord(v)); }
constexpr int GetYLParam(LPARAM v) { return static_cast<std::int16_t>(HiWord(v)); }
constexpr LPARAM PointToLParam(TPoint p) { return MakeLParam(p.X, p.Y); }
constexpr TPoint LParamToPoint(LPARAM v) { return {GetXLParam(v), GetYLParam(v)}; }
template <class T>
T* LParamAs(LPARAM v) {
  return reinterpret_cast<T*>(v);
}
template <class T>
std::intptr_t AsParam(T* p) {
  return reinterpret_cast<std::intptr_t>(p);
}

// A message as handlers see it.
struct TMessage {
  unsigned Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// A message in the queue (GetMessage/PeekMessage).
struct TMsg {
  HWND hwnd = nullptr;
  unsigned message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::uint32_t time = 0;
  TPoint pt;  // pointer position in screen coordinates when queued
};
using MSG = TMsg;

// WM_WINDOWPOSCHANGING/CHANGED and WM_NCCALCSIZE records.
struct TWindowPos {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  unsigned flags = 0;
};
// rgrc[0]: on entry the proposed window rectangle in parent client
// coordinates; on return the client rectangle in the same coordinates.
struct TNCCalcSizeParams {
  TRect rgrc[3];
  TWindowPos* lppos = nullptr;
};

struct TScrollInfo {
  unsigned fMask = 0;
  int nMin = 0;
  int nMax = 0;
  unsigned nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

// --- typed views: a reference to the message and its parameters unpacked.
struct TWMNoParams final {
  TMessage& Message;
};

struct TWMKey final {  // WM_KEYDOWN/UP, WM_SYSKEYDOWN/UP, WM_CHAR, CN_*
  TMessage& Message;
  // The virtual key (key messages) or the character, a code point (WM_CHAR).
  unsigned CharCode() const { return static_cast<unsigned>(Message.WParam); }
  void SetCharCode(unsigned code) { Message.WParam = static_cast<WPARAM>(code); }
  std::uint32_t KeyData() const { return static_cast<std::uint32_t>(Message.LParam); }
};
using TWMChar = TWMKey;
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMSysKeyDown = TWMKey;
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;
using TCMWantSpecialKey = TWMKey;

struct TWMMouse final {  // WM_MOUSEMOVE, WM_xBUTTONxxx; NC variants carry a hit-test code
  TMessage& Message;
  unsigned Keys() const { return static_cast<unsigned>(Message.WParam); }
  int HitTest() const { return static_cast<int>(Message.WParam); }
  int XPos() const { return GetXLParam(Message.LParam); }
  int YPos() const { return GetYLParam(Message.LParam); }
  TPoint Pos() const { return LParamToPoint(Message.LParam); }
};

struct TWMMouseWheel final {  // WM_MOUSEWHEEL: position in screen coordinates
  TMessage& Message;
  unsigned Keys() const { return LoWord(Message.WParam); }
  int WheelDelta() const { return static_cast<std::int16_t>(HiWord(Message.WParam)); }
  TPoint Pos() const { return LParamToPoint(Message.LParam); }
};

struct TWMScroll final {  // WM_HSCROLL/WM_VSCROLL, CN_ variants
  TMessage& Message;
  int ScrollCode() const { return static_cast<std::int16_t>(LoWord(Message.WParam)); }
  int Pos() const { return static_cast<std::int16_t>(HiWord(Message.WParam)); }
  HWND ScrollBar() const { return reinterpret_cast<HWND>(Message.LParam); }
};
using TWMHScroll = TWMScroll;
using TWMVScroll = TWMScroll;

struct TWMNCCalcSize final {
  TMessage& Message;
  bool CalcValidRects() const { return Message.WParam != 0; }
  TNCCalcSizeParams* CalcSizeParams() const { return LParamAs<TNCCalcSizeParams>(Message.LParam); }
};

struct TWMNCHitTest final {  // position in screen coordinates
  TMessage& Message;
  int XPos() const { return GetXLParam(Message.LParam); }
  int YPos() const { return GetYLParam(Message.LParam); }
  TPoint Pos() const { return LParamToPoint(Message.LParam); }
};

struct TWMSetFocus final {  // WM_SETFOCUS: the window that lost the focus
  TMessage& Message;
  HWND FocusedWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
};
struct TWMKillFocus final {  // WM_KILLFOCUS: the window that receives it
  TMessage& Message;
  HWND FocusedWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
};

// WM_PAINT, WM_ERASEBKGND, WM_NCPAINT: WParam is the canvas to paint on
// (already translated and clipped), or 0 when the handler must call
// BeginPaint.
struct TWMPaint final {
  TMessage& Message;
  TCanvas* Canvas() const { return reinterpret_cast<TCanvas*>(Message.WParam); }
};
using TWMEraseBkgnd = TWMPaint;
using TWMNCPaint = TWMPaint;

struct TWMTimer final {
  TMessage& Message;
  unsigned TimerID() const { return static_cast<unsigned>(Message.WParam); }
};

struct TWMSize final {  // client size
  TMessage& Message;
  int SizeType() const { return static_cast<int>(Message.WParam); }
  int Width() const { return LoWord(Message.LParam); }
  int Height() const { return HiWord(Message.LParam); }
};

struct TWMMove final {  // client origin in parent client coordinates
  TMessage& Message;
  int XPos() const { return GetXLParam(Message.LParam); }
  int YPos() const { return GetYLParam(Message.LParam); }
};

struct TWMGetDlgCode final {  // WParam: the key, LParam: TMsg* or 0
  TMessage& Message;
  unsigned Key() const { return static_cast<unsigned>(Message.WParam); }
  TMsg* Msg() const { return LParamAs<TMsg>(Message.LParam); }
};

struct TWMSetCursor final {
  TMessage& Message;
  HWND CursorWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
  int HitTest() const { return static_cast<std::int16_t>(LoWord(Message.LParam)); }
  unsigned MouseMsg() const { return HiWord(Message.LParam); }
};

struct TWMWindowPosMsg final {  // WM_WINDOWPOSCHANGING/CHANGED
  TMessage& Message;
  TWindowPos* WindowPos() const { return LParamAs<TWindowPos>(Message.LParam); }
};
using TWMWindowPosChanging = TWMWindowPosMsg;
using TWMWindowPosChanged = TWMWindowPosMsg;

struct TWMActivate final {
  TMessage& Message;
  int Active() const { return LoWord(Message.WParam); }
  bool Minimized() const { return HiWord(Message.WParam) != 0; }
  HWND ActiveWindow() const { return reinterpret_cast<HWND>(Message.LParam); }
};

struct TWMMouseActivate final {
  TMessage& Message;
  HWND TopLevel() const { return reinterpret_cast<HWND>(Message.WParam); }
  int HitTestCode() const { return static_cast<std::int16_t>(LoWord(Message.LParam)); }
  unsigned MouseMsg() const { return HiWord(Message.LParam); }
};

struct TWMCommand final {
  TMessage& Message;
  unsigned ItemID() const { return LoWord(Message.WParam); }
  unsigned NotifyCode() const { return HiWord(Message.WParam); }
  HWND Ctl() const { return reinterpret_cast<HWND>(Message.LParam); }
};

struct TWMContextMenu final {  // position in screen coordinates; (-1,-1) from the keyboard
  TMessage& Message;
  HWND hWnd() const { return reinterpret_cast<HWND>(Message.WParam); }
  TPoint Pos() const { return LParamToPoint(Message.LParam); }
};

struct TCMChildKey final {  // LParam: the control that got the key
  TMessage& Message;
  unsigned CharCode() const { return static_cast<unsigned>(Message.WParam); }
  TWinControl* Sender() const { return LParamAs<TWinControl>(Message.LParam); }
};

struct TCMHintShow final {  // LParam: THintInfo* (controls.h), changeable
  TMessage& Message;
  THintInfo* HintInfo() const { return LParamAs<THintInfo>(Message.LParam); }
};

struct TCMFocusChanged final {
  TMessage& Message;
  TWinControl* Sender() const { return LParamAs<TWinControl>(Message.LParam); }
};

struct TCMCancelMode final {  // LParam: the control that takes the focus, or 0
  TMessage& Message;
  TControl* Sender() const { return LParamAs<TControl>(Message.LParam); }
};

// --- shift state and shortcuts
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

// A key with its modifiers: the virtual key in the low byte, scShift,
// scCtrl, scAlt above.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

TShortCut ShortCut(unsigned key, TShiftState shift);
// Splits a shortcut into its key and modifiers.
void ShortCutToKey(TShortCut shortCut, unsigned& key, TShiftState& shift);
// "Ctrl+F", "Shift+Ctrl+Del", "Alt+Down", "F2"; empty for scNone. Modifiers
// in the classic order Shift, Ctrl, Alt.
std::string ShortCutToText(TShortCut shortCut);
// The inverse of ShortCutToText (case-insensitive); scNone when unknown.
TShortCut TextToShortCut(const std::string& text);
// From the MK_ flags of a mouse message.
TShiftState KeysToShiftState(unsigned keys);
// From the key data (LParam) of a key message: bit 29 is Alt; Shift and
// Ctrl come from the current key state (GetKeyState).
TShiftState KeyDataToShiftState(std::uint32_t keyData);
// Bit 29 of the key data: Alt was held.
inline constexpr std::uint32_t kKeyDataAltDown = 0x20000000;
// Set on a key-down that repeats and on every key-up: the key was down.
inline constexpr std::uint32_t kKeyDataWasDown = 0x40000000;
// Set on key-up messages.
inline constexpr std::uint32_t kKeyDataReleased = 0x80000000;
