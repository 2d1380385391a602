# The Windows Installer package, built beside the zip by wixl (Debian's
# msitools), and its winget manifest, filled in from the package. Included by
# app/CMakeLists.txt, after the programs and the pictures.
find_program(VH_WIXL wixl)
if(NOT VH_WIXL)
  message(FATAL_ERROR "The MSI is built by wixl (Debian package wixl, from msitools); `make setup` installs it.")
endif()

set(installer ${CMAKE_CURRENT_LIST_DIR})
# Fixed for ever: by it Windows Installer knows a package of a higher version
# as the same program, and replaces the installed one.
set(VH_UPGRADE_CODE EE545744-1893-406C-8940-5B2851475632)
# Where the release's files are published; the winget manifest points there.
set(VH_RELEASES_URL "https://downloads.example.org/varnholt" CACHE STRING "Where the release packages are published")

# Each version has a product code of its own, derived from the upgrade code
# and the version, so that building a version again gives it the same one.
function(vh_product_code var version)
  string(UUID code NAMESPACE ${VH_UPGRADE_CODE} NAME ${version} TYPE SHA1 UPPER)
  set(${var} ${code} PARENT_SCOPE)
endfunction()

# wixl finds a file only by a path relative to the folder it runs in (it
# fails on an absolute one): it runs in the build folder, where the programs
# are.
file(RELATIVE_PATH art_dir ${CMAKE_BINARY_DIR} ${VH_ART_DIR})
file(RELATIVE_PATH bin_dir ${CMAKE_BINARY_DIR} ${VH_SHIPPED_DIR})
file(RELATIVE_PATH app_dir ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_SOURCE_DIR})

# vh_msi(<file> <version>): the package of that version, of the programs as
# they ship, and signed as they are (built as <file>.unsigned, then signed
# into <file>).
function(vh_msi file version)
  vh_product_code(code ${version})
  get_filename_component(folder ${file} DIRECTORY)
  add_custom_command(
    OUTPUT ${file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${VH_WIXL} -a x64 -D Version=${version} -D ProductCode=${code} -D UpgradeCode=${VH_UPGRADE_CODE}
            -D BinDir=${bin_dir} -D ArtDir=${art_dir} -D AppDir=${app_dir} -o ${file}.unsigned ${installer}/varnholt.wxs
    COMMAND ${CMAKE_COMMAND} -DIN=${file}.unsigned -DOUT=${file} -P ${installer}/sign.cmake
    COMMAND ${CMAKE_COMMAND} -E rm ${file}.unsigned
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS ${VH_SHIPPED} ${installer}/sign.cmake ${installer}/varnholt.wxs ${installer}/installed.txt
            ${CMAKE_CURRENT_SOURCE_DIR}/README.txt ${VH_ART_DIR}/varnholt.ico ${VH_ART_DIR}/bgmain.dll
            ${VH_ART_DIR}/bgother.dll ${VH_ART_DIR}/bgscan.dll
    COMMENT "Building ${file}"
    VERBATIM)
endfunction()

set(VH_RELEASE_MSI ${CMAKE_BINARY_DIR}/varnholt-${PROJECT_VERSION}-win64.msi)
vh_msi(${VH_RELEASE_MSI} ${PROJECT_VERSION})

# The winget manifest of docs/winget/ with this package's version, address,
# product code and hash, in the build folder; `make release` copies it back.
set(winget_names Varnholt.Varnholt.yaml Varnholt.Varnholt.installer.yaml Varnholt.Varnholt.locale.en-US.yaml)
list(TRANSFORM winget_names PREPEND ${CMAKE_SOURCE_DIR}/docs/winget/ OUTPUT_VARIABLE winget_in)
list(TRANSFORM winget_names PREPEND ${CMAKE_BINARY_DIR}/winget/ OUTPUT_VARIABLE winget_out)
vh_product_code(VH_PRODUCT_CODE ${PROJECT_VERSION})
add_custom_command(
  OUTPUT ${winget_out}
  COMMAND ${CMAKE_COMMAND} -DMSI=${VH_RELEASE_MSI} -DVERSION=${PROJECT_VERSION} -DPRODUCT_CODE={${VH_PRODUCT_CODE}}
          -DURL=${VH_RELEASES_URL}/${PROJECT_VERSION}/varnholt-${PROJECT_VERSION}-win64.msi
          -DFROM=${CMAKE_SOURCE_DIR}/docs/winget -DTO=${CMAKE_BINARY_DIR}/winget -P ${installer}/winget.cmake
  DEPENDS ${VH_RELEASE_MSI} ${winget_in} ${installer}/winget.cmake
  COMMENT "Filling in the winget manifest"
  VERBATIM)

# The same package with a higher version, for the upgrade test only.
math(EXPR next_patch "${PROJECT_VERSION_PATCH} + 1")
set(VH_UPGRADE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${next_patch})
set(VH_UPGRADE_MSI ${CMAKE_CURRENT_BINARY_DIR}/upgrade-test/varnholt-${VH_UPGRADE_VERSION}-win64.msi)
vh_msi(${VH_UPGRADE_MSI} ${VH_UPGRADE_VERSION})

add_custom_target(installer ALL DEPENDS ${VH_RELEASE_MSI} ${winget_out} ${VH_UPGRADE_MSI})
# The pictures are made by another folder's target: it must be done first.
add_dependencies(installer vh_artwork)
set(VH_RELEASE_MSI ${VH_RELEASE_MSI} PARENT_SCOPE)
set(VH_UPGRADE_MSI ${VH_UPGRADE_MSI} PARENT_SCOPE)
set(VH_UPGRADE_VERSION ${VH_UPGRADE_VERSION} PARENT_SCOPE)
