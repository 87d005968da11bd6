// The texts the user sees. Sources are UTF-8; the Windows build stores them in CP932.
#pragma once

inline constexpr char kTxtCaption[] = "Kesterlwick";
inline constexpr char kTxtDone[] = "完了しました。ご確認をお願いします。";
inline constexpr char kTxtNoProject[] =
    "（‘ v‘）/名前を変えたいプロジェクトのフォルダをドロップしてください。";
inline constexpr char kTxtNoNewName[] = "（‘ v‘）/新しい名前を入力してください。";
inline constexpr char kTxtWriteFailed[] = "FileWriteMy2 INVALID_HANDLE_VALUE";

// Refusals: nothing has been written when these are shown.
inline constexpr char kTxtSameFolder[] =
    "（‘ v‘）/新しいフォルダが元のプロジェクトのフォルダと同じになります。"
    "元のプロジェクトが上書きされてしまうので、別の名前を入力してください。";
inline constexpr char kTxtBadName[] =
    "（‘ v‘）/新しい名前はファイル名として使えません。"
    "\\ / : * ? \" < > | や制御文字、末尾の空白とピリオド、CON・NUL・COM1・LPT1 などの"
    "予約名は使えません。";
inline constexpr char kTxtNotCp932[] =
    "（‘ v‘）/新しい名前に Shift_JIS（CP932）で表せない文字が含まれています。";
inline constexpr char kTxtTooLong[] =
    "（‘ v‘）/新しい名前が長すぎます。短い名前を入力してください。";
inline constexpr char kTxtTooDeep[] =
    "（‘ v‘）/フォルダの場所が深すぎます。コピーのパスが Windows で使える長さを超えてしまいます。"
    "プロジェクトのフォルダを浅い場所に移してから、やり直してください。一番長いパス：";
inline constexpr char kTxtBadDrop[] = "（‘ v‘）/ドロップされた場所の親フォルダが分かりません。"
                                      "プロジェクトのフォルダをドロップし直してください。";
inline constexpr char kTxtFileInTheWay[] =
    "（‘ v‘）/新しいフォルダと同じ名前のファイルがあります。別の名前を入力してください。";
inline constexpr char kTxtCantList[] =
    "（‘ v‘）/プロジェクトのフォルダを読めません。フォルダをドロップし直してください。";
inline constexpr char kTxtTempName[] =
    "（‘ v‘）/「.~kw」で始まる名前は作業用の名前なので使えません。別の名前を入力してください。";
inline constexpr char kTxtLinkInTheWay[] =
    "（‘ v‘）/新しいフォルダの名前のところにリンクがあります。別の名前を入力してください。";
inline constexpr char kTxtDropNotCp932[] =
    "（‘ v‘）/ドロップされたフォルダのパスに Shift_JIS（CP932）で表せない文字が含まれています。"
    "フォルダの名前を変えてからドロップしてください。";
inline constexpr char kTxtCantListNew[] =
    "（‘ v‘）/既にある新しいフォルダの中を読めません。別の名前を入力してください。";
inline constexpr char kTxtCantReadPj[] = "（‘ v‘）/プロジェクトファイルを開けません";
inline constexpr char kTxtCantMakeNew[] = "（‘ v‘）/新しいフォルダを作れません";
inline constexpr char kTxtCantWriteNew[] = "（‘ v‘）/新しいフォルダに書き込めません";
inline constexpr char kTxtCollision[] =
    "（‘ v‘）/次の2つのファイルが同じ名前になってしまいます。別の名前を入力してください。";

// A drop that finds no project.
inline constexpr char kTxtNoPjFile[] =
    "（‘ v‘）/このフォルダにはプロジェクトファイル（*.pj）がありません。"
    "名前を変えたいプロジェクトのフォルダをドロップしてください。";

// Before files of an existing new folder are replaced.
inline constexpr char kTxtReplaceHead[] =
    "（‘ v‘）/次のフォルダは既にあり、その中のファイルをコピーで置き換えます。";
inline constexpr char kTxtReplaceList[] = "置き換えるファイル（";
inline constexpr char kTxtReplaceUnit[] = " 個）：";
inline constexpr char kTxtReplaceAsk[] =
    "置き換えてよろしいですか？「いいえ」を選ぶと何も書き込みません。";

// The end of a run in which some file failed, and the reasons.
inline constexpr char kTxtFailedHead[] = "（‘ v‘）/コピーできなかったファイルがあります：";
inline constexpr char kTxtFailedCount[] = "件";
inline constexpr char kTxtFailedMore[] = "ほか";
inline constexpr char kTxtSubfolders[] = "サブフォルダはコピーしていません:";
inline constexpr char kTxtWhyCopy[] = "コピーできません";
inline constexpr char kTxtWhyOpen[] = "開けません";
inline constexpr char kTxtWhyRead[] = "読み込めません";
inline constexpr char kTxtWhyCreate[] = "作成できません";
inline constexpr char kTxtWhyWrite[] = "書き込めません";
inline constexpr char kTxtWhyClose[] = "閉じられません";
inline constexpr char kTxtWhyReplace[] = "できあがったファイルを置けません";
inline constexpr char kTxtWhyAppeared[] =
    "コピー中に同じ名前のファイルが新しいフォルダにできたので、置き換えていません";
inline constexpr char kTxtWhyChanged[] =
    "コピーしている間にファイルが書き換えられたので、コピーしていません。もう一度実行してください";
inline constexpr char kTxtWhyDiskFull[] = "ディスクがいっぱいです";
inline constexpr char kTxtWhyFolderMove[] = "できあがったフォルダを新しい名前にできません";
inline constexpr char kTxtCopyIsAt[] = "コピーは次のフォルダにあります：";
inline constexpr char kTxtWhyMoved[] =
    "フォルダが途中で別のもの（リンクなど）に入れ替えられたので、書き込みをやめました";
inline constexpr char kTxtWhyInternal[] = "思いがけないエラーが起きました";
inline constexpr char kTxtWhyNoEnd[] = "名前の置き換えが終わりません";
inline constexpr char kTxtWhyTooLarge[] = "置き換えると大きくなりすぎます";
inline constexpr char kTxtWhyNoMemory[] = "メモリが足りません";
inline constexpr char kTxtWhyErrorCode[] = "エラー";
inline constexpr char kTxtWhyNotFile[] = "通常のファイルではありません（パイプやデバイスなど）";
inline constexpr char kTxtWhyNotAnsi[] =
    "名前が Shift_JIS（CP932）で表せないので、その名前のままコピーできません";
inline constexpr char kTxtWhyAltered[] =
    "Windows では別の名前になってしまう名前（末尾の空白やピリオド、\\ / : など）です";
inline constexpr char kTxtWhyMixed[] =
    "文字コードが混ざっていて、旧プロジェクト名を書き換えられない箇所があります";
inline constexpr char kTxtWhyNoForm[] =
    "旧プロジェクト名をこのファイルの文字コードで表せないので、書き換えられません";
inline constexpr char kTxtWhyMarkerName[] = "作業用のファイルと同じ名前なのでコピーできません";

// The command line's: what the window says of dropping, said of giving a folder.
inline constexpr char kTxtCliNoProject[] =
    "（‘ v‘）/名前を変えたいプロジェクトのフォルダを指定してください。";
inline constexpr char kTxtCliNoPjFile[] =
    "（‘ v‘）/このフォルダにはプロジェクトファイル（*.pj）がありません。"
    "名前を変えたいプロジェクトのフォルダを指定してください。";
inline constexpr char kTxtCliCantList[] = "（‘ v‘）/プロジェクトのフォルダを読めません。";
inline constexpr char kTxtCliBadDrop[] = "（‘ v‘）/指定された場所の親フォルダが分かりません。";
inline constexpr char kTxtCliNotCp932[] =
    "（‘ v‘）/指定されたフォルダのパスに Shift_JIS（CP932）で表せない文字が含まれています。"
    "フォルダの名前を変えてから指定してください。";
inline constexpr char kTxtCliOverwrite[] =
    "置き換えるには --overwrite を付けてください。何も書き込まずに中止しました。";
