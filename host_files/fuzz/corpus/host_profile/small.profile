[GENERAL VARIABLES]
Version=3.4.0 c5
MRC=4
DirLogs=+DATA_PATH\logs
Future=1
