[GENERAL VARIABLES]
Version=3.4.0 c5
BbsCName=
BbsFName=
TncName=

[IDENTIFICATION]
UsrCall=K6CDR
UsrName=Station Operator
UsrID=
TCnPEnabled=0
TacCall=EOC1
TacName=County EOC
TacID=
ActMyCall=
ActMyName=
ActMyID=

[REPORT TAGS]
LocalMsgNum=100
City=Springfield
County=Greene
State=MO
Org=
TacLoc=
Text2=
Text3=
RName=|||
SLS=0
SLSChar=-
MIDsuffixFlag=0
MIDsuffixChar=P
MIDsepFlag=1
MIDsepChar=:_
SLFormat=yymmddhhmmss
309AutoOption=0
309IntTime=15
TaskID=
TaskName=

[NTS]
Precedence=
HX=
ArlMsgType=1
ArlMsgLast=1
HxMsgLast=1
NtsAsPrivate=0

[DIRECTORIES]
DirQF=c:\qforms
DirFiles=+DATA_PATH\files
DirLogs=+DATA_PATH\logs
DirArchive=+DATA_PATH\archive
DirReports=+DATA_PATH\reports
DirScripts=+DATA_PATH\scripts

[SEND/RECEIVE PREFERENCES]
SrAutoOption=0
SrIntTime=10
SrSlotTimes=:::
SendImmediate=0
SRControl=0
AutoPrint=0
AutoPrintwCN=1
ManuPrintwCN=0
PrintOnReceipt=0
PrintOnSend=0
PrintNumReceipt=1
PrintNumSend=1
PrintwHeaders=1
PrintReceipts=0
CopyNames=
PlayOnArrival=0
FilePOA=
PlayOnNotif=1
FilePON=APP_PATH\notify.wav
ShowSession=1
Notification=15
PromptStrength=8
AutoOpenFrom=
AutoOpenSubj=
AutoOpenBody=
AutoOpenUrgt=0
AutoOpenAddn=

[TIME PREFERENCES]
TncTimeOut=5000

[COMM PORT]
CommSettings=9600,n,8,1
CommPort=1
CommPortLimit=200
CommHandshaking=2
CommEcho=-1

[MESSAGE PREFERENCES]
MsgTypeDef=0
NewMsgDefault=0
PromptBeforeDelete=1
CloseOnRF=1
DefaultDest=
EnableDD=0
AutoMsgNum=0
LMIflag=0
LMIsuffix=P
ReqDelReceipt=0
ReqReadReceipt=0
AutoReadReceipt=0
AutoDelvReceipt=0
QFEnable=0
LCLQFEnable=0
SUBQFEnable=0
VtdEnable=0

[MESSAGE PRESENTATION]
MsgFontSize=9
MsgFontName=Courier New

[LOGGING PREFERENCES]
TxnTrace=0
CommTrace=0
DiaTrace=0
MainDiaTrace=0

[XON/XOFF PREFERENCES]
XonSize=6
XonDelay=50

[SCRIPT PREFERENCES]
RunOnStart=0
RunOnExit=0
WaitOnExit=0
StartScriptName=
ExitScriptName=
SRDefFlag=0
SRScriptName=

[GENERAL PREFERENCES]
LogonAtStartup=1
PcTimeCheck=0
UseContinent=1
MRC=4
