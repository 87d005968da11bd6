// What the job says: its end, its refusals (nothing has been written when these are shown) and
// why a file was not copied. Sources are UTF-8; the Windows build stores them in CP932.
#pragma once

#include "text/words.h"

inline constexpr KwText kTxtDone = {"完了しました。ご確認をお願いします。",
                                    "Done. Please check the copy."};
// The box of the first file of a run that can't be created.
inline constexpr KwText kTxtWriteFailed = {"FileWriteMy2 INVALID_HANDLE_VALUE",
                                           "FileWriteMy2 INVALID_HANDLE_VALUE"};

// Refusals.
inline constexpr KwText kTxtSameFolder = {
    "（‘ v‘）/新しいフォルダが元のプロジェクトのフォルダと同じになります。"
    "元のプロジェクトが上書きされてしまうので、別の名前を入力してください。",
    "The new folder would be the project folder itself, and the project would be overwritten. "
    "Choose another name.",
    "（‘ v‘）/新しいフォルダが元のプロジェクトのフォルダと同じになります。"
    "元のプロジェクトが上書きされてしまうので、別の名前を指定してください。"};
inline constexpr KwText kTxtBadName = {
    "（‘ v‘）/新しい名前はファイル名として使えません。"
    "\\ / : * ? \" < > | や制御文字、末尾の空白とピリオド、CON・NUL・COM1・LPT1 などの"
    "予約名は使えません。",
    "The new name can't be a file name on Windows: no \\ / : * ? \" < > | or control "
    "characters, no space or dot at its end, and no device name such as CON, NUL, COM1 or LPT1."};
inline constexpr KwText kTxtNotCp932 = {
    "（‘ v‘）/新しい名前に Shift_JIS（CP932）で表せない文字が含まれています。"
    "別の名前を入力してください。",
    "The new name holds a character that Shift_JIS (CP932) can't hold. Choose another name.",
    "（‘ v‘）/新しい名前に Shift_JIS（CP932）で表せない文字が含まれています。"
    "別の名前を指定してください。"};
inline constexpr KwText kTxtTooLong = {
    "（‘ v‘）/新しい名前が長すぎます。短い名前を入力してください。",
    "The new name is too long for the copy's paths. Choose a shorter name.",
    "（‘ v‘）/新しい名前が長すぎます。短い名前を指定してください。"};
inline constexpr KwText kTxtTooDeep = {
    "（‘ v‘）/フォルダの場所が深すぎます。コピーのパスが Windows で使える長さを超えてしまいます。"
    "プロジェクトのフォルダを浅い場所に移してから、やり直してください。一番長いパス：",
    "The folder lies too deep: the copy's paths would be longer than Windows allows, whatever "
    "the name. Move the project folder higher up and try again. The longest path:"};
inline constexpr KwText kTxtBadDrop = {
    "（‘ v‘）/ドロップされた場所の親フォルダが分かりません。"
    "プロジェクトのフォルダをドロップし直してください。",
    "The project folder has no parent folder to make the copy in.",
    "（‘ v‘）/指定された場所の親フォルダが分かりません。"};
inline constexpr KwText kTxtFileInTheWay = {
    "（‘ v‘）/新しいフォルダと同じ名前のファイルがあります。別の名前を入力してください。",
    "A file has the new folder's name. Choose another name.",
    "（‘ v‘）/新しいフォルダと同じ名前のファイルがあります。別の名前を指定してください。"};
inline constexpr KwText kTxtCantList = {"（‘ v‘）/プロジェクトのフォルダを読めません",
                                        "The project folder can't be read"};
inline constexpr KwText kTxtNoPjFile = {
    "（‘ v‘）/このフォルダにはプロジェクトファイル（*.pj）がありません。"
    "名前を変えたいプロジェクトのフォルダをドロップしてください。",
    "This folder holds no project file (*.pj).",
    "（‘ v‘）/このフォルダにはプロジェクトファイル（*.pj）がありません。"
    "名前を変えたいプロジェクトのフォルダを指定してください。"};
inline constexpr KwText kTxtTempName = {
    "（‘ v‘）/「.~kw」で始まる名前は作業用の名前なので使えません。別の名前を入力してください。",
    "Names starting with \".~kw\" are the tool's own working names. Choose another name.",
    "（‘ v‘）/「.~kw」で始まる名前は作業用の名前なので使えません。別の名前を指定してください。"};
inline constexpr KwText kTxtLinkInTheWay = {
    "（‘ v‘）/新しいフォルダの名前のところにリンクがあります。別の名前を入力してください。",
    "A link has the new folder's name. Choose another name.",
    "（‘ v‘）/新しいフォルダの名前のところにリンクがあります。別の名前を指定してください。"};
inline constexpr KwText kTxtCantListNew = {
    "（‘ v‘）/既にある新しいフォルダの中を読めません。別の名前を入力してください。",
    "The existing new folder can't be read. Choose another name.",
    "（‘ v‘）/既にある新しいフォルダの中を読めません。別の名前を指定してください。"};
inline constexpr KwText kTxtCollision = {
    "（‘ v‘）/次の2つのファイルが同じ名前になってしまいます。別の名前を入力してください。",
    "These two files would get the same name. Choose another name.",
    "（‘ v‘）/次の2つのファイルが同じ名前になってしまいます。別の名前を指定してください。"};
inline constexpr KwText kTxtCantReadPj = {"（‘ v‘）/プロジェクトファイルを開けません",
                                          "The project file can't be opened"};
inline constexpr KwText kTxtCantMakeNew = {"（‘ v‘）/新しいフォルダを作れません",
                                           "The new folder can't be made"};
inline constexpr KwText kTxtCantWriteNew = {"（‘ v‘）/新しいフォルダに書き込めません",
                                            "The new folder can't be written"};

// The end of a run in which some file failed, and the reasons.
inline constexpr KwText kTxtFailedHead = {"（‘ v‘）/コピーできなかったファイルが ",
                                          "Files that could not be copied: "};
inline constexpr KwText kTxtFailedTail = {" 件あります：", ""};
inline constexpr KwText kTxtFailedCount = {" 件", " more"};
inline constexpr KwText kTxtFailedMore = {"ほか ", "and "};
inline constexpr KwText kTxtSubfolders = {"サブフォルダはコピーしていません：",
                                          "Subfolders not copied: "};
inline constexpr KwText kTxtListSep = {"、", ", "};
inline constexpr KwText kTxtCopyIsAt = {"コピーは次のフォルダにあります：",
                                        "The copy is in this folder:"};
inline constexpr KwText kTxtWhyCopy = {"コピーできません", "can't be copied"};
inline constexpr KwText kTxtWhyOpen = {"開けません", "can't be opened"};
inline constexpr KwText kTxtWhyRead = {"読み込めません", "can't be read"};
inline constexpr KwText kTxtWhyCreate = {"作成できません", "can't be created"};
inline constexpr KwText kTxtWhyWrite = {"書き込めません", "can't be written"};
inline constexpr KwText kTxtWhyClose = {"閉じられません", "can't be closed"};
inline constexpr KwText kTxtWhyReplace = {"完成したファイルを新しいフォルダへ移せません",
                                          "the finished file can't be moved into the new folder"};
inline constexpr KwText kTxtWhyAppeared = {
    "コピー中に同じ名前のファイルが新しいフォルダにできたので、置き換えていません",
    "a file of that name appeared in the new folder meanwhile, and was kept"};
inline constexpr KwText kTxtWhyChanged = {
    "コピーしている間にファイルが書き換えられたので、コピーしていません。もう一度実行してください",
    "the file changed while it was copied, and was not copied; run again"};
inline constexpr KwText kTxtWhyDiskFull = {"ディスクがいっぱいです", "the disk is full"};
inline constexpr KwText kTxtWhyFolderMove = {"完成したフォルダの名前を変更できません",
                                             "the finished folder can't be renamed"};
inline constexpr KwText kTxtWhyMoved = {
    "フォルダが途中で別のもの（リンクなど）に入れ替えられたので、書き込みをやめました",
    "a folder was swapped for something else (a link) meanwhile, so nothing more was written"};
inline constexpr KwText kTxtWhyErrorCode = {"エラー", "error"};
inline constexpr KwText kTxtWhyNotFile = {"通常のファイルではありません（パイプやデバイスなど）",
                                          "not a regular file (a pipe, a device)"};
inline constexpr KwText kTxtWhyNotAnsi = {
    "名前が Shift_JIS（CP932）で表せないので、その名前のままコピーできません",
    "its name can't be written in Shift_JIS (CP932), so it can't be copied under it"};
inline constexpr KwText kTxtWhyAltered = {
    "Windows では別の名前になってしまう名前（末尾の空白やピリオド、\\ / : など）です",
    "Windows would take its name for another (a space or dot at its end, \\ / :)"};
inline constexpr KwText kTxtWhyMixed = {
    "文字コードが混ざっていて、旧プロジェクト名を書き換えられない箇所があります",
    "its encodings are mixed, and the old name stands where it can't be replaced"};
inline constexpr KwText kTxtWhyNoForm = {
    "旧プロジェクト名をこのファイルの文字コードで表せないので、書き換えられません",
    "its encoding can't hold the old name, so the name could not be replaced"};
inline constexpr KwText kTxtWhyMarkerName = {"作業用のファイルと同じ名前なのでコピーできません",
                                             "it has the name of the tool's working file"};
