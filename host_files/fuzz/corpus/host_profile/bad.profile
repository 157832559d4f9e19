MRC=x
