# Fills in the winget manifest from the package it describes. Run as:
#   cmake -DMSI=<file> -DVERSION=<x.y.z> -DPRODUCT_CODE=<{...}> -DURL=<address>
#         -DFROM=<folder> -DTO=<folder> -P winget.cmake
# Each manifest of FROM is written to TO with the fields that change from one
# release to the next replaced; everything else stays as it is written.
file(SHA256 ${MSI} sha)
string(TOUPPER ${sha} sha)
file(GLOB manifests RELATIVE ${FROM} ${FROM}/*.yaml)
file(MAKE_DIRECTORY ${TO})
foreach(manifest ${manifests})
  file(READ ${FROM}/${manifest} text)
  foreach(field "PackageVersion: ${VERSION}" "InstallerUrl: ${URL}" "InstallerSha256: ${sha}"
                "ProductCode: '${PRODUCT_CODE}'")
    string(REGEX MATCH "^[A-Za-z0-9]+: " name "${field}")
    string(REGEX REPLACE "\n([ -]*)${name}[^\n]*" "\n\\1${field}" text "${text}")
  endforeach()
  file(WRITE ${TO}/${manifest} "${text}")
endforeach()
