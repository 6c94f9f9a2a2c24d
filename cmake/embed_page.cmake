# Writes OUT, a header holding the live web board's files (HTML, CSS, JS from DIR) as
# string literals, so the page is part of the program and no file is served from disk.
file(WRITE ${OUT}.tmp "// Made by cmake/embed_page.cmake from src/web/page; do not edit.\n#pragma once\n#include <string_view>\n\nnamespace kub {\n\nstruct WebPageFile {\n    const char* path;\n    const char* type;\n    std::string_view body;\n};\n\ninline constexpr WebPageFile kWebPageFiles[] = {\n")
foreach(entry IN ITEMS "index.html|/|text/html" "index.html|/alarm|text/html" "board.css|/board.css|text/css"
    "board.js|/board.js|text/javascript" "einsatz.css|/einsatz.css|text/css" "einsatz.js|/einsatz.js|text/javascript"
    "verlauf.html|/verlauf|text/html" "statuszeiten.html|/statuszeiten|text/html" "verlauf.css|/verlauf.css|text/css"
    "verlauf.js|/verlauf.js|text/javascript" "statuszeiten.js|/statuszeiten.js|text/javascript")
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 path)
  list(GET parts 2 type)
  string(APPEND type "; charset=utf-8")
  file(READ ${DIR}/${name} body)
  file(APPEND ${OUT}.tmp "    {\"${path}\", \"${type}\", R\"KUBSEITE(${body})KUBSEITE\"},\n")
endforeach()
file(APPEND ${OUT}.tmp "};\n\n}  // namespace kub\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
