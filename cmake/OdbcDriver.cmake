# A project-local driver registration: "SQL Server" resolves to FreeTDS for the tests
# and the demo through ODBCSYSINI, without touching /etc/odbcinst.ini.
if(WIN32)
  set(VELLOXA_ODBCSYSINI "")
else()
  find_file(VELLOXA_FREETDS_DRIVER libtdsodbc.so
    PATHS /usr/lib/x86_64-linux-gnu/odbc /usr/lib/aarch64-linux-gnu/odbc /usr/lib/odbc /usr/local/lib
    NO_DEFAULT_PATH)
  if(NOT VELLOXA_FREETDS_DRIVER)
    message(FATAL_ERROR "FreeTDS ODBC driver (libtdsodbc.so) not found; install the tdsodbc package")
  endif()
  set(VELLOXA_ODBCSYSINI ${CMAKE_BINARY_DIR}/odbc)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/odbcinst.ini.in ${VELLOXA_ODBCSYSINI}/odbcinst.ini @ONLY)
endif()

# The environment every test that reaches the driver runs in: the project's driver
# registration, and none of the FreeTDS variables that would override the connection string.
set(VELLOXA_TEST_ENVIRONMENT_MODIFICATION
  "ODBCSYSINI=set:${VELLOXA_ODBCSYSINI}"
  "TDSPORT=unset:"
  "TDSHOST=unset:"
  "TDSVER=unset:"
  "TDSDUMP=unset:"
  "FREETDSCONF=unset:"
  "QT_QPA_PLATFORM=set:offscreen")
