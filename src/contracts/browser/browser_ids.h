// What the program and the browser server agree on: the browser's class, the
// interfaces of the browser, its documents, frames and elements, and their
// member ids, numbered as the web browser's automation numbers its own.
#pragma once

#include "platform/com/guid.h"
#include "platform/com/idispatch.h"

namespace parlotto::browser {

inline constexpr CLSID CLSID_InternetExplorer = MakeGuid("{0002DF01-0000-0000-C000-000000000046}");
inline constexpr IID IID_IWebBrowser2 = MakeGuid("{D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}");
inline constexpr IID IID_IHTMLDocument2 = MakeGuid("{332C4425-26CB-11D0-B483-00C04FD90119}");
inline constexpr IID IID_IHTMLFramesCollection2 =
    MakeGuid("{332C4426-26CB-11D0-B483-00C04FD90119}");
inline constexpr IID IID_IHTMLWindow2 = MakeGuid("{332C4427-26CB-11D0-B483-00C04FD90119}");
inline constexpr IID IID_IHTMLElement = MakeGuid("{3050F1FF-98B5-11CF-BB82-00AA00BDCE0B}");

inline constexpr DISPID DISPID_WebBrowser_Document = 203;
inline constexpr DISPID DISPID_WebBrowser_Busy = 212;
inline constexpr DISPID DISPID_WebBrowser_StatusText = 302;
inline constexpr DISPID DISPID_WebBrowser_Visible = 402;
inline constexpr DISPID DISPID_WebBrowser_HWND = -515;
inline constexpr DISPID DISPID_WebBrowser_Navigate2 = 500;

inline constexpr DISPID DISPID_HTMLDocument_body = 1004;
inline constexpr DISPID DISPID_HTMLDocument_frames = 1019;
inline constexpr DISPID DISPID_HTMLFrames_item = 0;
inline constexpr DISPID DISPID_HTMLFrames_length = 1001;
inline constexpr DISPID DISPID_HTMLWindow_document = 1151;
inline constexpr DISPID DISPID_HTMLElement_outerText = -2147417084;

}  // namespace parlotto::browser
