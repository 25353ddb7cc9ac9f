' A script client of the registered control, as cscript runs it: it creates Inspecta, binds
' VBScript's own RegExp object, reads items by key, toggles the options and checks the errors a
' script sees. Every check prints one line; any mismatch ends the script with exit code 1.
Option Explicit

Dim failures
failures = 0

Sub Check(label, actual, expected)
    If TypeName(actual) = TypeName(expected) And actual = expected Then
        WScript.Echo "ok      " & label & " = " & CStr(actual)
    Else
        WScript.Echo "FAILED  " & label & ": got " & TypeName(actual) & " " & CStr(actual) & _
                     ", expected " & TypeName(expected) & " " & CStr(expected)
        failures = failures + 1
    End If
End Sub

' Runs after a statement that must fail, under On Error Resume Next.
Sub CheckError(label, number, source, description)
    Check label & ": Err.Number", CLng(Err.Number), CLng(number)
    Check label & ": Err.Source", Err.Source, source
    Check label & ": Err.Description", Err.Description, description
    Err.Clear
End Sub

Dim inspector, pattern, item
Set inspector = CreateObject("InspectaCtl.Inspecta")
' A script names an object by its default interface.
Check "TypeName of the control", TypeName(inspector), "_Inspecta"

Set pattern = CreateObject("VBScript.RegExp")
pattern.Pattern = "^[a-z]+$"
pattern.IgnoreCase = True
Set inspector.ClientObject = pattern
Check "ClientObject is the bound object", inspector.ClientObject Is pattern, True

Set item = inspector.Item("Pattern")
Check "Item(""Pattern"").Name", item.Name, "Pattern"
Check "Item(""Pattern"").Value", item.Value, "^[a-z]+$"
Check "Item(""Pattern"").ReadOnly", item.ReadOnly, False
Check "Item(""ignorecase"").Value (keys ignore case)", inspector.Item("ignorecase").Value, True
Check "Item(""Global"").Value", inspector.Item("Global").Value, False

' Values change behind the list's back; RefreshValues reads them again.
pattern.Global = True
Check "Item(""Global"").Value before RefreshValues", inspector.Item("Global").Value, False
inspector.RefreshValues
Check "Item(""Global"").Value after RefreshValues", inspector.Item("Global").Value, True

inspector.HideReadOnlyItems = True
Check "HideReadOnlyItems after setting it", inspector.HideReadOnlyItems, True
Check "a writable item stays visible", inspector.Item("Pattern").Visible, True
inspector.HideReadOnlyItems = False
Check "HideReadOnlyItems after clearing it", inspector.HideReadOnlyItems, False
inspector.HideCustomItems = True
Check "HideCustomItems after setting it", inspector.HideCustomItems, True
inspector.HideCustomItems = False
Dim autoWrite
autoWrite = inspector.AutoWriteProperties
inspector.AutoWriteProperties = Not autoWrite
Check "AutoWriteProperties toggled", inspector.AutoWriteProperties, Not autoWrite
inspector.AutoWriteProperties = autoWrite

On Error Resume Next
Set item = inspector.Item("NoSuchProperty")
CheckError "Item of an unknown key", 35603, "Inspecta2.Inspecta", "Invalid Key"
Set inspector.Font = Nothing
CheckError "Font set to Nothing", 380, "Inspecta2.Inspecta", "Invalid property value"
Set inspector.ClientObject = Nothing
Check "unbinding succeeds", CLng(Err.Number), CLng(0)
Set item = inspector.Item("Pattern")
CheckError "Item once the object is unbound", 35603, "Inspecta2.Inspecta", "Invalid Key"
On Error GoTo 0

Set item = Nothing
Set inspector = Nothing
Set pattern = Nothing

If failures > 0 Then
    WScript.Echo failures & " check(s) failed"
    WScript.Quit 1
End If
WScript.Echo "all checks passed"
WScript.Quit 0
