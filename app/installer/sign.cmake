# Copies IN to OUT, signed with Authenticode by osslsigncode when the
# environment names a certificate; as it is otherwise. Run as:
#   cmake -DIN=<file> -DOUT=<file> -P sign.cmake
# The certificate: VH_SIGN_PKCS12 (a PKCS#12 file) with VH_SIGN_PASSWORD_FILE
# (its password on the first line), or VH_SIGN_CERT and VH_SIGN_KEY (PEM
# files; VH_SIGN_PASSWORD_FILE when the key has a password). VH_SIGN_TIMESTAMP:
# an RFC 3161 time-stamp server, so that the signature outlives the
# certificate. OUT appears only whole: a signing that fails leaves none.
file(REMOVE ${OUT})
set(pkcs12 $ENV{VH_SIGN_PKCS12})
set(cert $ENV{VH_SIGN_CERT})
if(NOT pkcs12 AND NOT cert)
  file(COPY_FILE ${IN} ${OUT})
  return()
endif()
find_program(osslsigncode osslsigncode)
if(NOT osslsigncode)
  message(FATAL_ERROR "Signing needs osslsigncode (Debian package osslsigncode; `make setup` installs it).")
endif()
if(pkcs12)
  set(with -pkcs12 ${pkcs12})
elseif("$ENV{VH_SIGN_KEY}" STREQUAL "")
  message(FATAL_ERROR "VH_SIGN_CERT is given without VH_SIGN_KEY, the certificate's private key.")
else()
  set(with -certs ${cert} -key $ENV{VH_SIGN_KEY})
endif()
if(DEFINED ENV{VH_SIGN_PASSWORD_FILE} AND NOT "$ENV{VH_SIGN_PASSWORD_FILE}" STREQUAL "")
  list(APPEND with -readpass $ENV{VH_SIGN_PASSWORD_FILE})
endif()
if(NOT "$ENV{VH_SIGN_TIMESTAMP}" STREQUAL "")
  list(APPEND with -ts $ENV{VH_SIGN_TIMESTAMP})
endif()
execute_process(
  COMMAND ${osslsigncode} sign ${with} -h sha256 -n Varnholt -in ${IN} -out ${OUT}.part
  RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(failed)
  file(REMOVE ${OUT}.part)
  message(FATAL_ERROR "Signing ${IN} failed:\n${said}")
endif()
file(RENAME ${OUT}.part ${OUT})
