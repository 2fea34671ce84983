# `cmake --install <build> --prefix <dir>` lays out a complete installation in <dir>.
get_filename_component(_mariadb_real "${TREVALON_MARIADB_LIBRARY}" REALPATH)
install(FILES "${_mariadb_real}" DESTINATION dll RENAME libmariadb.so.3)
install(DIRECTORY DESTINATION conf)
install(DIRECTORY DESTINATION log)
