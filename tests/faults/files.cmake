# The program against broken files and directories, and what others may put
# in its way: each case on a session bus of its own, so that the servers it
# starts are its own too.
parlotto_add_test(file_faults_test QT OWN_BUS
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_faults_test.cpp
  LIBS Qt6::Core)
add_dependencies(file_faults_test parlotto xvoice read_some_text_client OfficeSvr BrowserSvr
  p2tdll)

parlotto_add_test(security_test QT OWN_BUS
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/security_test.cpp
  LIBS Qt6::Core)
add_dependencies(security_test parlotto xvoice p2tdll OfficeSvr parlotto-open
  read_some_text_client AgentSvr parlotto_character_art)
