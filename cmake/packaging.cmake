# What a user installs: on Windows the two programs, a Japanese guide (a
# Shift-JIS text with CR LF line ends) and what scan needs beside the
# command line (the engine's English data in "tessdata", an example page,
# the licences of the engine built into it) in one ZIP archive made by
# CPack; on other systems the command line and its manual page (cmake
# --install).
# Included by the top-level CMakeLists.txt.

if(WIN32)
  # The guide: UTF-8 source, Shift-JIS with CR LF in the archive.
  configure_file(${PROJECT_SOURCE_DIR}/docs/guide-ja.txt ${CMAKE_BINARY_DIR}/guide-utf8.txt @ONLY)
  find_program(TSY_ICONV iconv REQUIRED)
  set(TSY_GUIDE ${CMAKE_BINARY_DIR}/tsypatch-guide.txt)
  add_custom_command(
    OUTPUT ${TSY_GUIDE}
    COMMAND ${TSY_ICONV} -f UTF-8 -t CP932 -o ${TSY_GUIDE}.sjis ${CMAKE_BINARY_DIR}/guide-utf8.txt
    COMMAND ${CMAKE_COMMAND} -DIN=${TSY_GUIDE}.sjis -DOUT=${TSY_GUIDE} -P
            ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake
    DEPENDS ${CMAKE_BINARY_DIR}/guide-utf8.txt ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake
    COMMENT "Writing the guide as Shift-JIS with CR LF line ends")
  add_custom_target(tsy_guide ALL DEPENDS ${TSY_GUIDE})

  install(TARGETS tsypatch_cli RUNTIME DESTINATION .)
  if(TARGET tsypatch)
    install(TARGETS tsypatch RUNTIME DESTINATION .)
  endif()
  install(FILES ${TSY_GUIDE} DESTINATION .)
  install(FILES ${TSY_ENGLISH_DATA} DESTINATION tessdata)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/scan-example.jpg DESTINATION .)
  install(DIRECTORY ${TSY_ENGINE_DIR}/licenses/ DESTINATION licenses)

  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TSY_PACKAGE_SYSTEM win64)
  else()
    set(TSY_PACKAGE_SYSTEM win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME tsypatch)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_FILE_NAME tsypatch-${PROJECT_VERSION}-${TSY_PACKAGE_SYSTEM})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)
  include(CPack)
else()
  include(GNUInstallDirs)
  configure_file(${PROJECT_SOURCE_DIR}/docs/tsypatch.1.in ${CMAKE_BINARY_DIR}/tsypatch.1 @ONLY)
  install(TARGETS tsypatch_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/tsypatch.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
