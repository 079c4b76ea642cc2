# 7-Zip's own C decoder, built from Debian's source package "7zip" that the
# install script unpacks into deps/7zip-src (nothing of it is kept in this
# repository). Only what reading a 7z archive needs: the archive reader, the
# LZMA and LZMA2 decoders, the BCJ, BCJ2, branch and delta filters, and the
# CRC. Every one of these files is in the public domain, as its header says.
# Defines the static library `sevenzip_decoder`; included once per build.
set(SEVENZIP_SOURCE_DIR ${PROJECT_SOURCE_DIR}/deps/7zip-src/C)
set(sevenzip_decoder_files
  7zArcIn.c 7zBuf.c 7zDec.c 7zStream.c 7zCrc.c 7zCrcOpt.c CpuArch.c
  LzmaDec.c Lzma2Dec.c Bcj2.c Bra.c Bra86.c BraIA64.c Delta.c)
list(TRANSFORM sevenzip_decoder_files PREPEND ${SEVENZIP_SOURCE_DIR}/)
foreach(required ${sevenzip_decoder_files})
  if(NOT EXISTS ${required})
    message(FATAL_ERROR "${required} is missing: run the install script to unpack deps/7zip-src")
  endif()
  # The release says these files are in the public domain: a newer source
  # package that put one under other terms must not slip in unnoticed.
  file(STRINGS ${required} header LIMIT_COUNT 3)
  if(NOT header MATCHES "Public domain")
    message(FATAL_ERROR "${required} no longer says it is in the public domain")
  endif()
endforeach()
add_library(sevenzip_decoder STATIC ${sevenzip_decoder_files})
target_include_directories(sevenzip_decoder SYSTEM PUBLIC ${SEVENZIP_SOURCE_DIR})
# Not our code: its warnings are not ours to fix. The DLL is kept small
# (-Os), but the LZMA decoder is where the time goes, so it is built for
# speed.
target_compile_options(sevenzip_decoder PRIVATE -w)
if(WIN32)
  target_compile_options(sevenzip_decoder PRIVATE -Os)
  set_source_files_properties(${SEVENZIP_SOURCE_DIR}/LzmaDec.c ${SEVENZIP_SOURCE_DIR}/7zCrcOpt.c
    PROPERTIES COMPILE_OPTIONS -O2)
endif()
# On x86 the decoder reads little-endian words wherever they lie, as the
# processor allows; UBSan's alignment check would stop at the first one.
if(INSTALLER_FUZZ OR INSTALLER_SANITIZE)
  target_compile_options(sevenzip_decoder PRIVATE -fno-sanitize=alignment)
endif()
