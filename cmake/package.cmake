# The release zip, dist/xqv-<version>-win32.zip with SHA256SUMS beside it (scripts/package;
# scripts/package.d/make_zip.py says what goes in). Part of every Windows build, so the host
# build's check of the packaged binaries always has a zip to look at; remade when anything
# packaged changes, and when set-up's library list for the tree (XQV_PATHS) does. A 64-bit tree
# (scripts/wine-arch) packs its own build the same way into build/win64/dist/
# xqv-<version>-win64.zip: not a release, only what the package's end-to-end test installs
# where 32-bit programs cannot run.
set(pkg ${CMAKE_SOURCE_DIR}/scripts/package.d)
set(paths_file)
if(EXISTS "${XQV_PATHS}")
  set(paths_file ${XQV_PATHS})
endif()
add_custom_command(OUTPUT ${XQV_PACKAGE_ZIP} ${XQV_PACKAGE_DIR}/SHA256SUMS
  COMMAND /usr/bin/python3 ${pkg}/make_zip.py --version ${PROJECT_VERSION}
          --source ${CMAKE_SOURCE_DIR} --build ${CMAKE_BINARY_DIR} --cache ${XQV_CACHE}
          --out ${XQV_PACKAGE_DIR} --arch ${XQV_WINDOWS_ARCH} --objcopy ${CMAKE_OBJCOPY}
  DEPENDS viewer flicconv ridgel gauge ridgel_demo gauge_demo
          ${CMAKE_BINARY_DIR}/bin/flics/.samples ${CMAKE_BINARY_DIR}/bin/logon.avi
          ${pkg}/make_zip.py ${pkg}/README.txt ${pkg}/third-party.tsv ${CMAKE_SOURCE_DIR}/LICENSE
          ${paths_file}
  COMMENT "Packing ${XQV_PACKAGE_ZIP}"
  VERBATIM)
add_custom_target(xqv_package ALL DEPENDS ${XQV_PACKAGE_ZIP})
