# `cmake --install <build> --prefix <dir>` lays out a complete installation in <dir>.
get_filename_component(_mariadb_real "${TREVALON_MARIADB_LIBRARY}" REALPATH)
install(FILES "${_mariadb_real}" DESTINATION dll RENAME libmariadb.so.3)
install(DIRECTORY DESTINATION conf)
install(DIRECTORY DESTINATION log)
install(DIRECTORY help/ DESTINATION help)

if(TREVALON_MANAGER)
  # A desktop user's manager binds the syslog port 514: the file capability for ports below
  # 1024, given when the install runs as root (setcap is in libcap2-bin).
  install(CODE [[
    set(_manager "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/TrevalonManager")
    find_program(_setcap setcap PATHS /usr/sbin /sbin)
    execute_process(COMMAND id -u OUTPUT_VARIABLE _uid OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(_setcap AND _uid STREQUAL "0")
      execute_process(COMMAND "${_setcap}" cap_net_bind_service=+ep "${_manager}"
                      RESULT_VARIABLE _result)
      if(NOT _result EQUAL 0)
        message(WARNING "setcap failed on ${_manager}: ports below 1024 need root")
      endif()
    else()
      message(STATUS "TrevalonManager binds ports below 1024 only as root (no setcap run)")
    endif()
  ]])
endif()
