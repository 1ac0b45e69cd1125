' A host of the suite in VBScript, as the suite's own hosts call the component: it creates
' QMZBaseList.Suite and QMZBaseList.BaseList by name, calls them late-bound and writes what it
' got to OUT (UTF-16), a section a call, each the JSON text of the answer and what indexing and
' enumerating the answer gave.
' cscript //nologo host.vbs TARGET OUT
Option Explicit
Dim target, out, fso, file, suite, bl, r, k, line, rs, uid, other
target = WScript.Arguments(0)
Set fso = CreateObject("Scripting.FileSystemObject")
Set file = fso.CreateTextFile(WScript.Arguments(1), True, True)
Sub Section(name, text)
  file.Write "== " & name & vbLf & text & vbLf
End Sub

Set suite = CreateObject("QMZBaseList.Suite")
suite.Open target, "administrator"
Set bl = CreateObject("QMZBaseList.BaseList")

Set r = bl.GetBatch(1, "B2601", 1, 0, 0)
Section "GetBatch", r.Json
line = ""
For Each k In r
  line = line & k & "=" & r(k) & "|"
Next
Section "GetBatch indexed", "FQty=" & r("FQty") & " stockName=" & r("stockName") & " Count=" & r.Count & " " & line

Section "GetAux", bl.GetAux(2, "Blue", 0, 0, 0).Json
Set r = bl.AllocateBatches(4, 0.1, 0, 0, 0)
Section "AllocateBatches", r.Json
Section "AllocateBatches indexed", "rows=" & r.Count & " first FTakeQty=" & r(1)("FTakeQty")
Section "GetBatch of no batch", bl.GetBatch(1, "no such batch", 0, 0, 0).Json
If bl.ShowEx(70000) Is Nothing Then Section "ShowEx of a class id past 16 bits", "Nothing"

suite.UseScript "row 2; key Enter"
Section "ShowBatch", bl.ShowBatch(1, "", 0, 0, 0).Json
suite.UseScript "select 2,3; key Enter Ledger"
Section "ShowBatchForMultiSelBatchNo", bl.ShowBatchForMultiSelBatchNo(4, "N-000", 0, 0, 0).Json
suite.UseScript "row 1; key Enter"
Section "ShowAux", bl.ShowAux(2, "", 0, 0, 0).Json
suite.UseScript "key Enter"
bl.KeyWord = "B2603"
uid = 7
Set rs = bl.Show(uid, 18)
Section "Show", rs.Json
line = ""
rs.MoveFirst
Do While Not rs.EOF
  line = line & rs("FBatchNo") & "/" & rs(0) & "|"
  rs.MoveNext
Loop
line = line & " Fields="
For Each k In rs.Fields
  line = line & k & ","
Next
Section "Show moved through", "RecordCount=" & rs.RecordCount & " UserID=" & uid & " " & line

' Any object of the host's own: the component holds it.
Set bl.ItemExtInfo = CreateObject("Scripting.Dictionary")
Section "ItemExtInfo", "held"

On Error Resume Next
Set other = CreateObject("QMZBaseList.Suite")
other.Open target, "administrator"
Section "Second suite", "Err " & Hex(Err.Number) & ": " & Err.Description
Err.Clear
suite.Close
other.Open target, "nobody"
Section "Unknown user", "Err " & Hex(Err.Number) & ": " & Err.Description
Err.Clear
Section "BaseList after its suite closed", bl.GetBatch(1, "B2601", 1, 0, 0)("FQty")
file.Close
