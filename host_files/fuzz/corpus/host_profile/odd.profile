PlayOnNotif = 1
StationID=K1
CommEcho=True
LocalMsgNum=2.5
MRC=3