// The display elements and the named colours of the system colour addition. Their order is the
// order of the listing and of the scheme files; the descriptions appear in the listing as they
// stand here.

#include "additions/uSysCol.h"

namespace additions {

const std::array<TSysColorElement, SysColorElementCount> SysColorElements{{
    {"COLOR_WINDOW", 5, " 5ウィンドウの背景 関連付けられている前景色はCOLOR_WINDOWTEXTされ、COLOR_HOTLITE"},
    {"COLOR_WINDOWTEXT", 8, " 8ウィンドウ内のテキスト 関連付けられている背景色がCOLOR_WINDOW"},
    {"COLOR_HIGHLIGHT", 13, "13コントロールで選択されている項目 関連付けられている前景色がCOLOR_HIGHLIGHTTEXT"},
    {"COLOR_HIGHLIGHTTEXT", 14, "14コントロールで選択されている項目のテキスト 関連付けられている背景色がCOLOR_HIGHLIGHT"},
    {"COLOR_3DFACE", 15, "153 Dとダイアログ ボックスの背景の面の色"},
    {"COLOR_GRAYTEXT", 17, "17灰色:無効のテキスト 現在のディスプレイ ドライバーが単色の灰色をサポートしていない場合、この色は 0 に設定"},
    {"COLOR_BTNTEXT", 18, "18プッシュ ボタン上のテキスト 関連付けられている背景色がCOLOR_BTNFACE"},
    {"COLOR_HOTLIGHT", 26, "26ハイパーリンクまたはホット トラックアイテムの色 関連付けられている背景色がCOLOR_WINDOW"},
    {"COLOR_CAPTIONTEXT", 9, " 9キャプション、サイズ ボックス、スクロール バーの矢印ボックス内のテキスト 関連付けられている背景色がCOLOR_ACTIVECAPTION"},
    {"COLOR_ACTIVEBORDER", 10, "!10    アクティブなウィンドウの境界線"},
    {"COLOR_INACTIVEBORDER", 11, "!11    非アクティブなウィンドウの境界線"},
    {"COLOR_APPWORKSPACE", 12, "!12    複数のドキュメント インターフェイスMDI) アプリケーションの背景色"},
    {"COLOR_BTNFACE", 15, "!15  "},
    {"COLOR_INACTIVECAPTIONTEXT", 19, "!19    非アクティブなキャプションのテキストの色 関連付けられている背景色がCOLOR_INACTIVECAPTION"},
    {"COLOR_INFOTEXT", 23, "!23    ヒント コントロールのテキストの色 関連付けられている背景色がCOLOR_INFOBK"},
    {"COLOR_INFOBK", 24, "!24    ヒント コントロールの背景色 関連付けられている前景色がCOLOR_INFOTEXT"},
    {"COLOR_3DSHADOW", 16, "!16    3Dの影の色 光源から離れたエッジの場合"},
    {"COLOR_3DHILIGHT", 20, "!20    3Dの強調表示の色 光源に面するエッジの場合"},
    {"COLOR_3DDKSHADOW", 21, "!21    3Dの濃い影"},
    {"COLOR_3DLIGHT", 22, "!22    3Dの明るい色 光源に面するエッジの場合"},
    {"COLOR_DESKTOP", 1, "! 1 デスクトップ"},
}};

const std::array<TColorConstant, ColorConstantCount> ColorConstants{{
    {"clBlack", 0x000000},     {"clMaroon", 0x000080}, {"clGreen", 0x008000},     {"clOlive", 0x008080},
    {"clNavy", 0x800000},      {"clPurple", 0x800080}, {"clTeal", 0x808000},      {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},    {"clRed", 0x0000FF},    {"clLime", 0x00FF00},      {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},      {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},     {"clLtGray", 0xC0C0C0},
    {"clDkGray", 0x808080},    {"clWhite", 0xFFFFFF},  {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},     {"clMedGray", 0xA4A0A0},
}};

const TSysColorElement* FindSysColorElement(std::string_view name) {
  // Every element name starts with "COLOR_": most labels of a sheet are rejected here at once.
  if (name.size() < 7 || !scan::SameTextAscii(name.substr(0, 6), "COLOR_")) return nullptr;
  for (const TSysColorElement& e : SysColorElements)
    if (scan::SameTextAscii(name, e.Name)) return &e;
  return nullptr;
}

const TColorConstant* FindColorConstant(std::string_view name) {
  if (name.size() < 5 || !scan::SameTextAscii(name.substr(0, 2), "cl")) return nullptr;
  for (const TColorConstant& c : ColorConstants)
    if (scan::SameTextAscii(name, c.Name)) return &c;
  return nullptr;
}

}  // namespace additions
