# Writes the AppStream metainfo: cmake -DIN=... -DOUT=... -DAPP_ID=... -DVERSION=...
# [-DSCREENSHOT_URL=...] -P metainfo.cmake
# Software centres fetch screenshots over the web, and the program has no web site of its
# own: the pictures of docs/ are listed only when SCREENSHOT_URL names where that folder
# is published (the repository's file view, say); without it the element is left out
# rather than pointing at an address that does not exist.
set(shots
  "list-window|The dive list|ダイブの一覧"
  "record-dive-data|A dive's record: dive data|ダイブのレコード：ダイブデータ"
  "record-graph|A dive's record: the profile graph|ダイブのレコード：プロファイルグラフ"
  "calculator|The repetitive-dive calculator|反復潜水計算機"
  "profile-chart|Depth and water temperature in the chart window|グラフウィンドウの水深と水温"
  "print-a5|A printed A5 logbook page|印刷した A5 ログブックのページ")
set(SCREENSHOTS "")
if(SCREENSHOT_URL)
  string(REGEX REPLACE "/+$" "" base "${SCREENSHOT_URL}")
  string(APPEND SCREENSHOTS "  <screenshots>\n")
  set(kind " type=\"default\"")
  foreach(shot IN LISTS shots)
    string(REPLACE "|" ";" parts "${shot}")
    list(GET parts 0 file)
    list(GET parts 1 en)
    list(GET parts 2 ja)
    string(APPEND SCREENSHOTS "    <screenshot${kind}>\n"
      "      <caption>${en}</caption>\n"
      "      <caption xml:lang=\"ja\">${ja}</caption>\n"
      "      <image>${base}/${file}.png</image>\n"
      "    </screenshot>\n")
    set(kind "")
  endforeach()
  string(APPEND SCREENSHOTS "  </screenshots>")
endif()
configure_file("${IN}" "${OUT}" @ONLY)
