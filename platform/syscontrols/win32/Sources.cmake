# The system controls on Windows are the system's own; of the folder's
# sources only the calendar rules and the message boxes' buttons are shared.
set(LUMORA_WIN32_SHARED CalendarDate.cpp MessageBoxButtons.cpp)
