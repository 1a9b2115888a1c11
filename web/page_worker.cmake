# cmake -DDIR=... -DTEMPLATE=... -P page_worker.cmake: writes DIR/sw.js from TEMPLATE, naming the
# folder's files and a version made from their bytes. Rewritten only when it changes.
set(names index.html page.css page.js gorubadon.js gorubadon.wasm gorubadon.data
    manifest.webmanifest icon.png icon-192.png icon-512.png)
set(sums "")
set(list "")
foreach(name ${names})
    if(NOT EXISTS ${DIR}/${name})
        message(FATAL_ERROR "page_worker.cmake: no ${DIR}/${name}")
    endif()
    file(SHA256 ${DIR}/${name} sum)
    string(APPEND sums "${name} ${sum}\n")
    string(APPEND list "'${name}', ")
endforeach()
string(SHA256 all "${sums}")
string(SUBSTRING ${all} 0 16 PAGE_VERSION)
string(REGEX REPLACE ", $" "" PAGE_FILES "${list}")
configure_file(${TEMPLATE} ${DIR}/sw.js @ONLY)
