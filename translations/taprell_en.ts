<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Axes</name>
    <message>
        <source>没有图号，不能保存坐标轴设置。</source>
        <translation>There is no figure number: the axis settings cannot be saved.</translation>
    </message>
</context>
<context>
    <name>Bundle</name>
    <message>
        <source>%1 holds the text “%2” in a number field; it stays a text</source>
        <translation>%1 holds the text “%2” in a number field; it stays a text</translation>
    </message>
    <message>
        <source>there is no figure %1 in the library</source>
        <translation>there is no figure %1 in the library</translation>
    </message>
    <message>
        <source>%1: expected an object</source>
        <translation>%1: expected an object</translation>
    </message>
    <message>
        <source>%1.%2: %3 has no such field</source>
        <translation>%1.%2: %3 has no such field</translation>
    </message>
    <message>
        <source>%1.%2: expected a number, a text, true/false or null</source>
        <translation>%1.%2: expected a number, a text, true/false or null</translation>
    </message>
    <message>
        <source>%1: the field %2 is missing</source>
        <translation>%1: the field %2 is missing</translation>
    </message>
    <message>
        <source>%1.%2: expected an array</source>
        <translation>%1.%2: expected an array</translation>
    </message>
    <message>
        <source>the bundle is larger than %1 MB</source>
        <translation>the bundle is larger than %1 MB</translation>
    </message>
    <message>
        <source>not JSON: %1 at byte %2</source>
        <translation>not JSON: %1 at byte %2</translation>
    </message>
    <message>
        <source>not a Taprell bundle: &quot;format&quot; is not &quot;%1&quot;</source>
        <translation>not a Taprell bundle: &quot;format&quot; is not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>version: expected a whole number from 1</source>
        <translation>version: expected a whole number from 1</translation>
    </message>
    <message>
        <source>version %1 is newer than this Taprell reads (%2)</source>
        <translation>version %1 is newer than this Taprell reads (%2)</translation>
    </message>
    <message>
        <source>figures: expected an array</source>
        <translation>figures: expected an array</translation>
    </message>
    <message>
        <source>%1.figure.th: “%2” is not a letter and three digits</source>
        <translation>%1.figure.th: “%2” is not a letter and three digits</translation>
    </message>
    <message>
        <source>%1.figure.th: %2 is figures[%3] already</source>
        <translation>%1.figure.th: %2 is figures[%3] already</translation>
    </message>
    <message>
        <source>the figure numbers of %1 are used up: %2 cannot be added</source>
        <translation>the figure numbers of %1 are used up: %2 cannot be added</translation>
    </message>
</context>
<context>
    <name>Calibration</name>
    <message>
        <source>%1 的参考值不是数字。</source>
        <translation>%1: the reference value is not a number.</translation>
    </message>
    <message>
        <source>%1 轴是对数坐标，参考值必须大于 0，现在是 %2。</source>
        <translation>The %1 axis is logarithmic: reference values must be above 0, not %2.</translation>
    </message>
    <message>
        <source>这些参考点定不出坐标，请重新定标。</source>
        <translation>These reference points give no coordinates; please calibrate again.</translation>
    </message>
    <message>
        <source>两个 X 参考点点在了同一个位置，无法定标。</source>
        <translation>Both X reference points were clicked at the same place; cannot calibrate.</translation>
    </message>
    <message>
        <source>两个 Y 参考点点在了同一个位置，无法定标。</source>
        <translation>Both Y reference points were clicked at the same place; cannot calibrate.</translation>
    </message>
    <message>
        <source>两个 X 参考点的值相同（%1），无法定标。</source>
        <translation>Both X reference points have the same value (%1); cannot calibrate.</translation>
    </message>
    <message>
        <source>两个 Y 参考点的值相同（%1），无法定标。</source>
        <translation>Both Y reference points have the same value (%1); cannot calibrate.</translation>
    </message>
    <message>
        <source>X 参考点的连线与 Y 参考点的连线几乎平行，无法定标。</source>
        <translation>The line through the X reference points is almost parallel to the line through the Y reference points; cannot calibrate.</translation>
    </message>
    <message>
        <source>第 %1 和第 %2 个参考点点在了同一个位置，无法定标。</source>
        <translation>Reference points %1 and %2 were clicked at the same place; cannot calibrate.</translation>
    </message>
    <message>
        <source>第 %1 和第 %2 个参考点的值相同，无法定标。</source>
        <translation>Reference points %1 and %2 have the same value; cannot calibrate.</translation>
    </message>
    <message>
        <source>三个参考点几乎在一条直线上，无法定标。</source>
        <translation>The three reference points lie almost on one line; cannot calibrate.</translation>
    </message>
    <message>
        <source>三个参考点的值几乎在一条直线上，无法定标。</source>
        <translation>The values of the three reference points lie almost on one line; cannot calibrate.</translation>
    </message>
    <message>
        <source>三角图的两个角点在了同一个位置，无法定标。</source>
        <translation>Two corners of the triangle were clicked at the same place; cannot calibrate.</translation>
    </message>
    <message>
        <source>三角图的三个角几乎在一条直线上，无法定标。</source>
        <translation>The three corners of the triangle lie almost on one line; cannot calibrate.</translation>
    </message>
</context>
<context>
    <name>CatalogueEditor</name>
    <message>
        <source>图版库中没有图号为“%1”的图版，这一行没有写入。</source>
        <translation>The library has no figure with figure number &quot;%1&quot;; this row was not written.</translation>
    </message>
    <message>
        <source>图号“%1”属于另一个图版，这一行原来是图版“%2”，没有写入，以免覆盖那个图版。</source>
        <translation>Figure number &quot;%1&quot; belongs to another figure; this row was figure &quot;%2&quot; and was not written, so as not to overwrite that figure.</translation>
    </message>
    <message>
        <source>图版“%1”</source>
        <translation>Figure &quot;%1&quot; </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>这一行有字段的值不能写入：
</source>
        <translation>Values in this row cannot be written:
</translation>
    </message>
</context>
<context>
    <name>ChemicalFormula</name>
    <message>
        <source>化学式“%1”的括号套得太深。</source>
        <translation>Formula &quot;%1&quot;: brackets nested too deep.</translation>
    </message>
    <message>
        <source>化学式“%1”缺少右括号。</source>
        <translation>Formula &quot;%1&quot;: missing closing bracket.</translation>
    </message>
    <message>
        <source>化学式“%1”里的“%2”不是元素符号。</source>
        <translation>Formula &quot;%1&quot;: &quot;%2&quot; is not an element symbol.</translation>
    </message>
    <message>
        <source>化学式“%1”的第 %2 个字符“%3”不是元素符号。</source>
        <translation>Formula &quot;%1&quot;: character %2 (&quot;%3&quot;) is not an element symbol.</translation>
    </message>
    <message>
        <source>化学式“%1”里有个数为 0 的元素。</source>
        <translation>Formula &quot;%1&quot; has an element with count 0.</translation>
    </message>
    <message>
        <source>化学式“%1”是空的。</source>
        <translation>Formula &quot;%1&quot; is empty.</translation>
    </message>
    <message>
        <source>化学式“%1”多了右括号。</source>
        <translation>Formula &quot;%1&quot; has an extra closing bracket.</translation>
    </message>
</context>
<context>
    <name>DelimitedTable</name>
    <message>
        <source>第 %1 行的引号没有闭合。</source>
        <translation>Line %1: unclosed quotation mark.</translation>
    </message>
    <message>
        <source>第 %1 行起的一行超过 %2 MB：不是样品表，或有引号没有闭合。</source>
        <translation>The line starting at line %1 is longer than %2 MB: not a sample table, or a quotation mark is not closed.</translation>
    </message>
    <message>
        <source>没有表头，也没有样品：文本是空的。</source>
        <translation>No header and no samples: the text is empty.</translation>
    </message>
    <message>
        <source>只有表头，没有样品。</source>
        <translation>Only a header, no samples.</translation>
    </message>
    <message>
        <source>第 %1 行有 %2 个字段，比表头的 %3 列多。</source>
        <translation>Line %1 has %2 fields, more than the %3 columns of the header.</translation>
    </message>
    <message>
        <source>表有 %1 列，最多只能有 %2 列。</source>
        <translation>The table has %1 columns; at most %2 are allowed.</translation>
    </message>
    <message>
        <source>粘贴的文本里有 NUL 字符，不是表格。</source>
        <translation>The pasted text contains NUL characters; it is not a table.</translation>
    </message>
    <message>
        <source>无法打开 %1：%2</source>
        <translation>Cannot open %1: %2</translation>
    </message>
    <message>
        <source>无法读取 %1：%2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
    <message>
        <source>无法识别 %1 的文字编码：%2</source>
        <translation>Cannot recognise the text encoding of %1: %2</translation>
    </message>
    <message>
        <source>%1 里有 NUL 字符，不是文本表格。</source>
        <translation>%1 contains NUL characters; it is not a text table.</translation>
    </message>
</context>
<context>
    <name>DiagramFiles</name>
    <message>
        <source>Imported from a diagram file.</source>
        <translation>Imported from a diagram file.</translation>
    </message>
</context>
<context>
    <name>DigitiserCanvas</name>
    <message>
        <source>线号 %1&#x3000;X %2&#x3000;Y %3</source>
        <translation>Line %1  X %2  Y %3</translation>
    </message>
    <message>
        <source>移动了一点：</source>
        <translation>Moved a point: </translation>
    </message>
    <message>
        <source>选中了一点：</source>
        <translation>Selected a point: </translation>
    </message>
    <message>
        <source>（Delete 删去，拖动移动）</source>
        <translation> (Delete removes it, drag to move)</translation>
    </message>
    <message>
        <source>Ctrl+单击处没有点，什么也没选中，也没有加点</source>
        <translation>Nothing at the Ctrl+click: no point selected, no point added</translation>
    </message>
    <message>
        <source>加了一点：</source>
        <translation>Added a point: </translation>
    </message>
    <message>
        <source>（Shift：没有对齐）</source>
        <translation> (Shift: not snapped)</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>回车放下标签，Shift+回车换行，Esc 取消</source>
        <translation>Enter places the label, Shift+Enter starts a new line, Esc cancels</translation>
    </message>
</context>
<context>
    <name>DigitiserSession</name>
    <message>
        <source>请先为这个图版打开“图版数据”窗口，点才能加到它的列表里。</source>
        <translation>First open the &quot;Figure Data&quot; window for this figure, so that points can be added to its list.</translation>
    </message>
    <message>
        <source>底图还没有定标。</source>
        <translation>The scan is not calibrated yet.</translation>
    </message>
    <message>
        <source>这个位置算不出坐标。</source>
        <translation>No coordinates can be computed for this position.</translation>
    </message>
    <message>
        <source>“图版数据”窗口没有接受这个点。它正在添加一个点时，请先在那里按“加 入”或在列表中点选一行。</source>
        <translation>The &quot;Figure Data&quot; window did not accept this point. While it is adding a point, first press &quot;Add&quot; there or select a row in its list.</translation>
    </message>
    <message>
        <source>落在已有的点上</source>
        <translation>on an existing point</translation>
    </message>
    <message>
        <source>落在图框的角上</source>
        <translation>on a corner of the frame</translation>
    </message>
    <message>
        <source>落在图框上</source>
        <translation>on the frame</translation>
    </message>
    <message>
        <source>X 与已有的点对齐</source>
        <translation>X aligned with an existing point</translation>
    </message>
    <message>
        <source>Y 与已有的点对齐</source>
        <translation>Y aligned with an existing point</translation>
    </message>
    <message>
        <source>落在三角形的边上</source>
        <translation>on a side of the triangle</translation>
    </message>
    <message>
        <source>，落在三角形的边上</source>
        <translation>, on a side of the triangle</translation>
    </message>
    <message>
        <source>没有这个点。</source>
        <translation>There is no such point.</translation>
    </message>
    <message>
        <source>这个点不能移到这里。</source>
        <translation>This point cannot be moved here.</translation>
    </message>
    <message>
        <source>没有选中的点。</source>
        <translation>No point is selected.</translation>
    </message>
    <message>
        <source>“图版数据”窗口没有删去这个点。</source>
        <translation>The &quot;Figure Data&quot; window did not remove this point.</translation>
    </message>
    <message>
        <source>请先为这个图版打开“图版标签”窗口，标签才能加到它的列表里。</source>
        <translation>First open the &quot;Figure Labels&quot; window for this figure, so that labels can be added to its list.</translation>
    </message>
    <message>
        <source>标签没有文字。</source>
        <translation>The label has no text.</translation>
    </message>
    <message>
        <source>“图版标签”窗口没有接受这个标签。它正在新建一个标签时，请先在那里按“加 入”或在列表中点选一行。</source>
        <translation>The &quot;Figure Labels&quot; window did not accept this label. While it is making a new label, first press &quot;Add&quot; there or select a row in its list.</translation>
    </message>
    <message>
        <source>
这次粘贴的点一个也没有加入。</source>
        <translation>
None of the pasted points was added.</translation>
    </message>
    <message>
        <source>剪贴板里没有点的表格。</source>
        <translation>The clipboard holds no table of points.</translation>
    </message>
    <message>
        <source>“图版数据”窗口没有接受第 %1 个点，这次粘贴的点一个也没有加入。</source>
        <translation>The &quot;Figure Data&quot; window did not accept point %1; none of the pasted points was added.</translation>
    </message>
    <message>
        <source>没有可以撤销的操作。</source>
        <translation>Nothing to undo.</translation>
    </message>
    <message>
        <source>撤销没有完成：列表已经变了。</source>
        <translation>Undo not done: the list has changed.</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>Expression</name>
    <message>
        <source>运算符（+ - * /）</source>
        <translation>an operator (+ - * /)</translation>
    </message>
    <message>
        <source>定义的列“%1”：%2</source>
        <translation>Defined column &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>表达式在第 %1 个字符处就结束了，这里应有%2。</source>
        <translation>The expression ends at character %1; %2 was expected here.</translation>
    </message>
    <message>
        <source>第 %1 个字符“%2”处应有%3。</source>
        <translation>%3 was expected at character %1 (&quot;%2&quot;).</translation>
    </message>
    <message>
        <source>第 %1 个字符处嵌套太深。</source>
        <translation>Nested too deep at character %1.</translation>
    </message>
    <message>
        <source>数</source>
        <translation>a number</translation>
    </message>
    <message>
        <source>第 %1 个字符起的数太大。</source>
        <translation>The number starting at character %1 is too large.</translation>
    </message>
    <message>
        <source>数、列名、函数或左括号</source>
        <translation>a number, column name, function or opening bracket</translation>
    </message>
    <message>
        <source>右括号</source>
        <translation>a closing bracket</translation>
    </message>
    <message>
        <source>第 %1 个字符处的引号没有闭合。</source>
        <translation>Unclosed quotation mark at character %1.</translation>
    </message>
    <message>
        <source>化学式和右括号</source>
        <translation>a formula and a closing bracket</translation>
    </message>
    <message>
        <source>化学式</source>
        <translation>a formula</translation>
    </message>
    <message>
        <source>第 %1 个字符起：%2</source>
        <translation>From character %1: %2</translation>
    </message>
    <message>
        <source>第 %1 个字符起：“%2”里没有阳离子。</source>
        <translation>From character %1: &quot;%2&quot; has no cation.</translation>
    </message>
    <message>
        <source>第 %1 个字符起的“%2”不是函数（有 log10、ln、sqrt、mol、cat）。</source>
        <translation>&quot;%2&quot; at character %1 is not a function (there are log10, ln, sqrt, mol, cat).</translation>
    </message>
    <message>
        <source>定义的列“%1”</source>
        <translation>defined column &quot;%1&quot;</translation>
    </message>
    <message>
        <source>第 %1 个字符起的“%2”可以指 %3，请改列名或用引号写出完整的列名。</source>
        <translation>&quot;%2&quot; at character %1 can mean %3; rename the columns or quote the full column name.</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>没有名为“%1”的列（第 %2 个字符起）。</source>
        <translation>No column named &quot;%1&quot; (at character %2).</translation>
    </message>
    <message>
        <source>定义的列循环引用：%1。</source>
        <translation>Defined columns refer to each other in a circle: %1.</translation>
    </message>
    <message>
        <source>表达式是空的。</source>
        <translation>The expression is empty.</translation>
    </message>
    <message>
        <source>%1 没有值</source>
        <translation>%1 has no value</translation>
    </message>
    <message>
        <source>%1 没有值（“%2”）</source>
        <translation>%1 has no value (&quot;%2&quot;)</translation>
    </message>
    <message>
        <source>除以 0</source>
        <translation>division by 0</translation>
    </message>
    <message>
        <source>对不大于 0 的数取对数</source>
        <translation>logarithm of a number not above 0</translation>
    </message>
    <message>
        <source>对负数开平方</source>
        <translation>square root of a negative number</translation>
    </message>
    <message>
        <source>结果超出数的范围</source>
        <translation>result out of the range of numbers</translation>
    </message>
</context>
<context>
    <name>FirstStart</name>
    <message>
        <source>设置中还没有 Kalvor 的安装路径：Taprell 在这个帐户上是第一次启动。

要用随程序提供的样例图版建立个人图版库吗？
图版库将放在：%1

选“否”可以改为选择一个已有的安装文件夹。</source>
        <translation>The settings have no Kalvor install path: this is Taprell&apos;s first start on this account.

Set up a personal figure library from the sample figures that come with the program?
The library will be in: %1

Choose &quot;No&quot; to pick an existing install folder instead.</translation>
    </message>
    <message>
        <source>要选择一个已有的 Kalvor 安装文件夹吗？
（文件夹里应有 dbase/system.mdb）

选“否”则什么都不改，下次启动时还会再问。</source>
        <translation>Choose an existing Kalvor install folder?
(The folder should hold dbase/system.mdb)

Choose &quot;No&quot; to change nothing; you will be asked again at the next start.</translation>
    </message>
    <message>
        <source>%1 里已经有图版库（dbase/system.mdb），它不会被覆盖。

使用这个图版库吗？</source>
        <translation>%1 already holds a figure library (dbase/system.mdb); it will not be overwritten.

Use this figure library?</translation>
    </message>
    <message>
        <source>个人图版库建立不了，设置没有改动。

%1</source>
        <translation>The personal figure library could not be set up; the settings are unchanged.

%1</translation>
    </message>
    <message>
        <source>个人图版库已建立：%1
设置中的安装路径（Path）已指向它。</source>
        <translation>Personal figure library set up: %1
The install path in the settings (Path) now points to it.</translation>
    </message>
    <message>
        <source>不能建立文件夹：%1</source>
        <translation>Cannot create the folder: %1</translation>
    </message>
    <message>
        <source>不能复制样例图版库 %1：%2</source>
        <translation>Cannot copy the sample figure library %1: %2</translation>
    </message>
    <message>
        <source>不能把 %1 改名为 %2：%3</source>
        <translation>Cannot rename %1 to %2: %3</translation>
    </message>
    <message>
        <source>选择 Kalvor 的安装文件夹</source>
        <translation>Choose the Kalvor install folder</translation>
    </message>
    <message>
        <source>这个文件夹里没有图版库文件 dbase/system.mdb：
%1

请另选一个文件夹，或者取消。</source>
        <translation>This folder has no figure library file dbase/system.mdb:
%1

Please choose another folder, or cancel.</translation>
    </message>
    <message>
        <source>安装路径写不进设置文件：%1

Taprell 下次启动时还会再问。</source>
        <translation>The install path cannot be written to the settings file: %1

Taprell will ask again at the next start.</translation>
    </message>
</context>
<context>
    <name>GroupEditor</name>
    <message>
        <source>在此输入新的组名</source>
        <translation>Type the new group&apos;s name here</translation>
    </message>
    <message>
        <source>分组 %1 在图版库中已不存在，不能改名。</source>
        <translation>Group %1 no longer exists in the library; it cannot be renamed.</translation>
    </message>
    <message>
        <source>分组 %1 </source>
        <translation>Group %1 </translation>
    </message>
</context>
<context>
    <name>LabelEditor</name>
    <message>
        <source>标签 %1 已不在图版库中（可能已被其他程序删除），没有写入。请重新打开窗口。</source>
        <translation>Label %1 is no longer in the library (another program may have deleted it); not written. Please open the window again.</translation>
    </message>
    <message>
        <source>标签 %1 </source>
        <translation>Label %1 </translation>
    </message>
</context>
<context>
    <name>Library</name>
    <message>
        <source>语句执行失败。</source>
        <translation>The statement failed.</translation>
    </message>
    <message>
        <source>与图版库服务器的连接在保存时断开了，这次保存的改动都没有写入，列表中的标记都还在。请稍后重新载入列表后再保存：%1</source>
        <translation>The connection to the library server was lost while saving: none of the changes of this save were written, and the marks in the list are kept. Please reload the list later and save again: %1</translation>
    </message>
    <message>
        <source>不能开始保存。</source>
        <translation>Cannot start saving.</translation>
    </message>
    <message>
        <source>保存失败。</source>
        <translation>Saving failed.</translation>
    </message>
    <message>
        <source>保存没有完成，所有改动都已撤销。</source>
        <translation>Saving did not complete; all changes were undone.</translation>
    </message>
    <message>
        <source>记录写入失败。</source>
        <translation>Writing the record failed.</translation>
    </message>
    <message>
        <source>语句无效。</source>
        <translation>Invalid statement.</translation>
    </message>
    <message>
        <source>图版库没有打开：%1</source>
        <translation>The figure library is not open: %1</translation>
    </message>
    <message>
        <source>（未指定）</source>
        <translation>(not given)</translation>
    </message>
    <message>
        <source>读不出图版库的结构版本：%1</source>
        <translation>Cannot read the layout version of the figure library: %1</translation>
    </message>
    <message>
        <source>与图版库服务器的连接在提交保存时断开了，之后又连不上服务器，无法知道这次保存的改动是否已经写入。列表中的标记都还在；请重新载入列表，看改动是否已在库中：%1</source>
        <translation>The connection to the library server was lost while committing the save, and the server could not be reached since: it is not known whether the changes of this save were written. The marks in the list are kept; reload the list to see whether the changes are in the library: %1</translation>
    </message>
    <message>
        <source>图版库的结构需要升级到这个版本的 Taprell 所用的结构（版本 %1），但升级没有成功，这次保存什么都没有写入。请让图版库的管理员（表的所有者）用这个版本保存一次：%2</source>
        <translation>The figure library&apos;s layout must be upgraded to the one this version of Taprell uses (version %1), but the upgrade failed, and nothing of this save was written. Ask the library&apos;s administrator (the owner of its tables) to save once with this version: %2</translation>
    </message>
</context>
<context>
    <name>LibraryError</name>
    <message>
        <source>图版库文件是只读的，不能写入。</source>
        <translation>The figure library file is read-only; it cannot be written.</translation>
    </message>
    <message>
        <source>行：%1</source>
        <translation>Row: %1</translation>
    </message>
    <message>
        <source>字段：%1</source>
        <translation>Field: %1</translation>
    </message>
    <message>
        <source>语句：%1</source>
        <translation>Statement: %1</translation>
    </message>
    <message>
        <source>数据库：%1</source>
        <translation>Database: %1</translation>
    </message>
</context>
<context>
    <name>LibraryFile</name>
    <message>
        <source>文件已经存在：%1</source>
        <translation>The file already exists: %1</translation>
    </message>
    <message>
        <source>不能创建文件：%1</source>
        <translation>Cannot create the file: %1</translation>
    </message>
</context>
<context>
    <name>ListColumn</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>图号</source>
        <translation>Fig.</translation>
    </message>
    <message>
        <source>图名</source>
        <translation>Figure name</translation>
    </message>
    <message>
        <source>缩略图</source>
        <translation>Thumb</translation>
    </message>
    <message>
        <source>分组</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>边框</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>特例</source>
        <translation>Case</translation>
    </message>
    <message>
        <source>图表说明</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>矢量图</source>
        <translation>Vector</translation>
    </message>
    <message>
        <source>位图</source>
        <translation>Bitmap</translation>
    </message>
    <message>
        <source>点号</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>线号</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>是否曲线</source>
        <translation>Curve</translation>
    </message>
    <message>
        <source>X-值</source>
        <translation>X value</translation>
    </message>
    <message>
        <source>Y-值</source>
        <translation>Y value</translation>
    </message>
    <message>
        <source>线型</source>
        <translation>Style</translation>
    </message>
    <message>
        <source>分组名称</source>
        <translation>Group name</translation>
    </message>
    <message>
        <source>标签名称</source>
        <translation>Label text</translation>
    </message>
</context>
<context>
    <name>Notices</name>
    <message>
        <source>图版库打不开，列表为空。

%1</source>
        <translation>Cannot open the figure library; the list is empty.

%1</translation>
    </message>
    <message>
        <source>列表中有尚未保存的改动（带标记的行）。
放弃这些改动吗？</source>
        <translation>The list has unsaved changes (marked rows).
Discard these changes?</translation>
    </message>
    <message>
        <source>不好意思，出错了！</source>
        <translation>Sorry, something went wrong!</translation>
    </message>
</context>
<context>
    <name>PasteTable</name>
    <message>
        <source>第 %1 行%2：“%3”</source>
        <translation>Line %1%2: &quot;%3&quot;</translation>
    </message>
    <message>
        <source>的栏名次序不对，应是 X、Y、线号、曲线、线型</source>
        <translation>: columns in the wrong order; should be X, Y, line, curve, style</translation>
    </message>
    <message>
        <source>混用了两种分栏符（制表符、分号、逗号、空格只能用一种），读不准</source>
        <translation>: mixes two column separators (tab, semicolon, comma and space: use only one); cannot read reliably</translation>
    </message>
    <message>
        <source>应有 2 到 5 栏（X、Y、线号、曲线、线型），现在是 %1 栏</source>
        <translation> should have 2 to 5 columns (X, Y, line, curve, style), has %1</translation>
    </message>
    <message>
        <source>有空栏</source>
        <translation> has an empty column</translation>
    </message>
    <message>
        <source>不是数字</source>
        <translation> is not a number</translation>
    </message>
    <message>
        <source>的线号不是整数</source>
        <translation>: the line number is not a whole number</translation>
    </message>
    <message>
        <source>的曲线栏应是 0 或 1</source>
        <translation>: the curve column should be 0 or 1</translation>
    </message>
    <message>
        <source>的线型应是 0 到 3</source>
        <translation>: the line style should be 0 to 3</translation>
    </message>
    <message>
        <source>与别的行不一致：第 %1 行用小数逗号，第 %2 行用小数点，不知道按哪种读</source>
        <translation> differs from other lines: line %1 uses a decimal comma, line %2 a decimal point; cannot tell which to read</translation>
    </message>
    <message>
        <source>与别的行不一致：第 %1 行的逗号是小数逗号，第 %2 行却用逗号分栏，不知道按哪种读</source>
        <translation> differs from other lines: line %1 has a decimal comma, but line %2 separates columns with commas; cannot tell which to read</translation>
    </message>
    <message>
        <source>的逗号可能是小数逗号，也可能是千位分隔符，分不清（请把小数写成小数点）</source>
        <translation>: the comma may be a decimal comma or a thousands separator (please write decimals with a point)</translation>
    </message>
</context>
<context>
    <name>PicDataEditor</name>
    <message>
        <source>图版 %1 的点 %2 </source>
        <translation>Figure %1, point %2 </translation>
    </message>
    <message>
        <source>图版 %1 中有多个点的点号都是 %2，无法确定哪一个是这一行，这一行没有写入。</source>
        <translation>Figure %1 has several points numbered %2; cannot tell which is this row, so it was not written.</translation>
    </message>
    <message>
        <source>图版 %1 中点号为 %2 的点在载入之后已被其他程序删除或改动，这一行没有写入。请重新打开窗口。</source>
        <translation>The point numbered %2 of figure %1 was deleted or changed by another program after loading; this row was not written. Please open the window again.</translation>
    </message>
</context>
<context>
    <name>Query</name>
    <message>
        <source>值为空，这个字段需要%1。</source>
        <translation>The value is empty; this field needs %1.</translation>
    </message>
    <message>
        <source>True 或 False</source>
        <translation>True or False</translation>
    </message>
    <message>
        <source>数字</source>
        <translation>a number</translation>
    </message>
    <message>
        <source>“%1”超出了数字的范围。</source>
        <translation>&quot;%1&quot; is out of the range of numbers.</translation>
    </message>
    <message>
        <source>“%1”不是是/否值（应为 True 或 False）。</source>
        <translation>&quot;%1&quot; is not a yes/no value (True or False).</translation>
    </message>
    <message>
        <source>“%1”不是数字。</source>
        <translation>&quot;%1&quot; is not a number.</translation>
    </message>
    <message>
        <source>“%1”不是整数，这个字段只能存整数。</source>
        <translation>&quot;%1&quot; is not a whole number; this field holds whole numbers only.</translation>
    </message>
    <message>
        <source>查询失败，读到第 %1 条记录后中断。</source>
        <translation>The query failed; it stopped after record %1.</translation>
    </message>
    <message>
        <source>%1在列表载入之后已被其他程序修改（%2），这一行没有写入，以免覆盖那些修改。请重新载入列表后再改。</source>
        <translation>%1was changed by another program after the list was loaded (%2); this row was not written, so as not to overwrite those changes. Please reload the list and change it again.</translation>
    </message>
    <message>
        <source>查询没有打开，不能写入。</source>
        <translation>The query is not open; cannot write.</translation>
    </message>
    <message>
        <source>没有这个字段。</source>
        <translation>No such field.</translation>
    </message>
    <message>
        <source>查询结果中没有记录，不能设置字段（要修改的记录不存在）。</source>
        <translation>The query has no record; cannot set the field (the record to change does not exist).</translation>
    </message>
    <message>
        <source>图版库已经重新打开，这个查询已经关闭，不能写入。</source>
        <translation>The figure library was reopened; this query is closed and cannot write.</translation>
    </message>
    <message>
        <source>查询结果中没有记录，不能写入（要修改的记录不存在）。</source>
        <translation>The query has no record; cannot write (the record to change does not exist).</translation>
    </message>
    <message>
        <source>记录写入失败。</source>
        <translation>Writing the record failed.</translation>
    </message>
    <message>
        <source>这条记录在读出之后已被其他程序修改或删除，没有写入。请重新载入列表。</source>
        <translation>This record was changed or deleted by another program after it was read; not written. Please reload the list.</translation>
    </message>
</context>
<context>
    <name>SampleTable</name>
    <message>
        <source>表头是空的：没有列名。</source>
        <translation>The header is empty: no column names.</translation>
    </message>
    <message>
        <source>表有 %1 列，最多只能有 %2 列。</source>
        <translation>The table has %1 columns; at most %2 are allowed.</translation>
    </message>
    <message>
        <source>列 %1</source>
        <translation>column %1</translation>
    </message>
    <message>
        <source>第 %1 列和第 %2 列同名（“%3”），无法区分。</source>
        <translation>Columns %1 and %2 have the same name (&quot;%3&quot;) and cannot be told apart.</translation>
    </message>
</context>
<context>
    <name>Schema</name>
    <message>
        <source>这个图版库由较新版本的 Taprell 建立或升级过（结构版本 %1，这个版本只认识到 %2），为免损坏它，这里不打开它。请使用新版本的 Taprell：%3</source>
        <translation>This figure library was made or upgraded by a newer Taprell (layout version %1; this version knows up to %2). It is not opened here, so that it cannot be damaged. Please use the newer Taprell: %3</translation>
    </message>
</context>
<context>
    <name>ServerEngine</name>
    <message>
        <source>连不上图版库服务器：%1</source>
        <translation>Cannot connect to the library server: %1</translation>
    </message>
    <message>
        <source>与图版库服务器的连接断开了：%1</source>
        <translation>The connection to the library server was lost: %1</translation>
    </message>
    <message>
        <source>图版库正被其他程序使用（已被锁定），请稍后再试：%1</source>
        <translation>The figure library is in use by another program (locked); please try again later: %1</translation>
    </message>
    <message>
        <source>读取图版库服务器上的数据时出错：%1</source>
        <translation>Error reading data from the library server: %1</translation>
    </message>
    <message>
        <source>字段 %1 的文字中有空字符（NUL），图版库服务器不能保存这样的文字，这一行没有写入。</source>
        <translation>The text of field %1 holds a NUL character, which the library server cannot store; this row was not written.</translation>
    </message>
    <message>
        <source>没有写入的权限</source>
        <translation>no right to write</translation>
    </message>
    <message>
        <source>连接是只读的</source>
        <translation>the connection is read-only</translation>
    </message>
    <message>
        <source>图版库服务器拒绝写入，%1（%2）：%3</source>
        <translation>The library server refused the write, %1 (%2): %3</translation>
    </message>
</context>
<context>
    <name>SqliteEngine</name>
    <message>
        <source>找不到图版库文件：%1</source>
        <translation>Cannot find the figure library file: %1</translation>
    </message>
    <message>
        <source>图版库路径不是文件：%1</source>
        <translation>The figure library path is not a file: %1</translation>
    </message>
    <message>
        <source>图版库文件不可读（没有读取权限）：%1</source>
        <translation>The figure library file is not readable (no read permission): %1</translation>
    </message>
    <message>
        <source>图版库文件打不开：%1</source>
        <translation>Cannot open the figure library file: %1</translation>
    </message>
    <message>
        <source>不是图版库数据库文件：%1</source>
        <translation>Not a figure library database file: %1</translation>
    </message>
    <message>
        <source>图版库上次的写入没有完成，在这里无法恢复（文件或所在文件夹不可写）：%1
请在可以写入这个文件夹的账户下打开一次，或请管理员恢复。</source>
        <translation>The last write to the figure library did not complete and cannot be recovered here (the file or its folder is not writable): %1
Please open it once from an account that can write to this folder, or ask the administrator to recover it.</translation>
    </message>
    <message>
        <source>图版库不能写入：%1</source>
        <translation>The figure library cannot be written: %1</translation>
    </message>
    <message>
        <source>图版库正被其他程序使用（已被锁定），请稍后再试：%1</source>
        <translation>The figure library is in use by another program (locked); please try again later: %1</translation>
    </message>
    <message>
        <source>图版库文件已损坏，读取失败：%1</source>
        <translation>The figure library file is damaged; reading failed: %1</translation>
    </message>
    <message>
        <source>读写图版库文件时出错：%1</source>
        <translation>Error reading or writing the figure library file: %1</translation>
    </message>
    <message>
        <source>图版库文件打不开（它或它所在的文件夹可能不允许访问）：%1</source>
        <translation>Cannot open the figure library file (it or its folder may not allow access): %1</translation>
    </message>
</context>
<context>
    <name>Underlay</name>
    <message>
        <source>扫描图 (%1);;所有文件 (*)</source>
        <translation>Scans (%1);;All files (*)</translation>
    </message>
    <message>
        <source>找不到底图文件 %1。</source>
        <translation>Cannot find the scan file %1.</translation>
    </message>
    <message>
        <source>PDF 文件 %1 读不出来。</source>
        <translation>Cannot read the PDF file %1.</translation>
    </message>
    <message>
        <source>这个版本的 Taprell 读不了 PDF：请把那一页存成 PNG 图片再载入。</source>
        <translation>This build of Taprell cannot read PDF: save that page as a PNG image and load it.</translation>
    </message>
    <message>
        <source>底图 %1 读不出来：%2</source>
        <translation>Cannot read the scan %1: %2</translation>
    </message>
    <message>
        <source>文件在图像数据结束之前就断了</source>
        <translation>the file ends before its image data</translation>
    </message>
    <message>
        <source>文件的结构是坏的</source>
        <translation>the file&apos;s structure is damaged</translation>
    </message>
    <message>
        <source>PDF 文件 %1 的第一页没有大小，画不出来。</source>
        <translation>The first page of the PDF file %1 has no size and cannot be drawn.</translation>
    </message>
    <message>
        <source>PDF 文件 %1 的第一页太窄（%2 × %3 点），画成底图后不到 %4 个像素宽，不能用来定标。</source>
        <translation>The first page of the PDF file %1 is too narrow (%2 × %3 pt): as a scan it would be under %4 pixels wide, too little to calibrate.</translation>
    </message>
    <message>
        <source>PDF 文件 %1 的第一页画不出来（%2 × %3 像素）。</source>
        <translation>Cannot draw the first page of the PDF file %1 (%2 × %3 pixels).</translation>
    </message>
    <message>
        <source>底图 %1 太大：%2 × %3 个像素要占 %4 MB 内存，超过 %5 MB。请把它缩小后再载入。</source>
        <translation>The scan %1 is too large: %2 × %3 pixels need %4 MB of memory, more than %5 MB. Please make it smaller and load it again.</translation>
    </message>
    <message>
        <source>底图 %1 不完整（%2），没有载入：缺的部分会显示成一片灰色或黑色。请用完整的文件。</source>
        <translation>The scan %1 is incomplete (%2) and was not loaded: the missing part would show as a grey or black area. Please use a complete file.</translation>
    </message>
</context>
<context>
    <name>Wording</name>
    <message>
        <source>中文</source>
        <translation>English</translation>
    </message>
</context>
<context>
    <name>XlsxTable</name>
    <message>
        <source>%1 不是可读的 XLSX 文件（%2），可能不完整或已损坏。</source>
        <translation>%1 is not a readable XLSX file (%2); it may be incomplete or damaged.</translation>
    </message>
    <message>
        <source>%1 里缺少 %2，不是完整的 XLSX 文件。</source>
        <translation>%1 lacks %2; it is not a complete XLSX file.</translation>
    </message>
    <message>
        <source>无法读取 %1 里的 %2：%3</source>
        <translation>Cannot read %2 in %1: %3</translation>
    </message>
    <message>
        <source>%1 里的 %2 已损坏：%3</source>
        <translation>%2 in %1 is damaged: %3</translation>
    </message>
    <message>
        <source>%1 里的 %2 大于 %3 MB，不读。</source>
        <translation>%2 in %1 is larger than %3 MB; not read.</translation>
    </message>
    <message>
        <source>%1 里的 %2 不是有效的 XML（第 %3 行：%4）。</source>
        <translation>%2 in %1 is not valid XML (line %3: %4).</translation>
    </message>
    <message>
        <source>第 %1 行有无法识别的单元格位置“%2”。</source>
        <translation>Line %1 has an unrecognised cell position &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>第 %1 行的单元格“%2”不在它左边的单元格之后，表格已损坏。</source>
        <translation>Line %1: cell &quot;%2&quot; is not after the cell to its left; the table is damaged.</translation>
    </message>
    <message>
        <source>这张工作表是空的：没有表头，也没有样品。</source>
        <translation>This worksheet is empty: no header and no samples.</translation>
    </message>
    <message>
        <source>只有表头，没有样品。</source>
        <translation>Only a header, no samples.</translation>
    </message>
    <message>
        <source>第 %1 行的单元格指向不存在的共享字符串 %2。</source>
        <translation>Line %1: a cell refers to shared string %2, which does not exist.</translation>
    </message>
    <message>
        <source>第 %1 行在表头之外的第 %2 列有数据。</source>
        <translation>Line %1 has data in column %2, beyond the header.</translation>
    </message>
    <message>
        <source>表有 %1 列，最多只能有 %2 列。</source>
        <translation>The table has %1 columns; at most %2 are allowed.</translation>
    </message>
    <message>
        <source>%1 里没有工作表。</source>
        <translation>%1 has no worksheet.</translation>
    </message>
    <message>
        <source>%1 里没有名为“%2”的工作表（有：%3）。</source>
        <translation>%1 has no worksheet named &quot;%2&quot; (there are: %3).</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1 里找不到工作表“%2”的内容。</source>
        <translation>Cannot find the contents of worksheet &quot;%2&quot; in %1.</translation>
    </message>
</context>
<context>
    <name>fGroup</name>
    <message>
        <source>编 辑</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>添 加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删 除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>保 存</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>fMain</name>
    <message>
        <source>刷新列表</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>加入列表</source>
        <translation>Append</translation>
    </message>
    <message>
        <source> 直角坐标图</source>
        <translation> Rectangular</translation>
    </message>
    <message>
        <source> 三角形图</source>
        <translation> Triangular</translation>
    </message>
    <message>
        <source>图  号</source>
        <translation>Fig. no.</translation>
    </message>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>图名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>缩略图</source>
        <translation>Thumb</translation>
    </message>
    <message>
        <source>分组号</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>显示分组</source>
        <translation>Groups</translation>
    </message>
    <message>
        <source>特殊处理号</source>
        <translation>Special</translation>
    </message>
    <message>
        <source> 坐标参数 </source>
        <translation> Axes </translation>
    </message>
    <message>
        <source>三角形图解没有坐标参数</source>
        <translation>Triangular diagrams have no axis settings</translation>
    </message>
    <message>
        <source>矢量图</source>
        <translation>Vector</translation>
    </message>
    <message>
        <source>位 图</source>
        <translation>Bitmap</translation>
    </message>
    <message>
        <source>显示图版数据</source>
        <translation>Figure data</translation>
    </message>
    <message>
        <source>显示图版标签</source>
        <translation>Figure labels</translation>
    </message>
    <message>
        <source>删 除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>退 出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>保 存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>次间隔</source>
        <translation>Minor</translation>
    </message>
    <message>
        <source>主间隔</source>
        <translation>Major</translation>
    </message>
    <message>
        <source>轴交点</source>
        <translation>Cross</translation>
    </message>
    <message>
        <source>对数坐标</source>
        <translation>Log axis</translation>
    </message>
    <message>
        <source>小数位数</source>
        <translation>Decimals</translation>
    </message>
    <message>
        <source>图形边框</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>x-轴</source>
        <translation>x</translation>
    </message>
    <message>
        <source>y-轴</source>
        <translation>y</translation>
    </message>
    <message>
        <source>对数</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>边框</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>共有 %1 个图版</source>
        <translation>%1 figures</translation>
    </message>
    <message>
        <source>图号“%1”已经在列表的第 %2 行，不能重复。
请换一个图号。</source>
        <translation>Figure number &quot;%1&quot; is already in row %2 of the list; numbers must not repeat.
Please choose another figure number.</translation>
    </message>
    <message>
        <source>导入图版</source>
        <translation>Import figures</translation>
    </message>
    <message>
        <source>文件读不出来（或大于 50 MB）：%1</source>
        <translation>The file cannot be read (or is larger than 50 MB): %1</translation>
    </message>
    <message>
        <source>没有导入任何图版：%1</source>
        <translation>No figure was imported: %1</translation>
    </message>
    <message>
        <source>已导入图版：%1</source>
        <translation>Figures imported: %1</translation>
    </message>
    <message>
        <source>图号 %1 已在图版库中。以新图号导入这些图版吗？（选“否”则跳过它们）</source>
        <translation>Figure numbers %1 are in the library already. Import these figures under new numbers? (No leaves them out)</translation>
    </message>
</context>
<context>
    <name>fPicData</name>
    <message>
        <source>添 加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>加 入</source>
        <translation>Append</translation>
    </message>
    <message>
        <source>新 建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>点属性编辑栏</source>
        <translation>Point editor</translation>
    </message>
    <message>
        <source>点 号</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>线 号</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>是否曲线</source>
        <translation>Curve?</translation>
    </message>
    <message>
        <source>X-值</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y-值</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>线 型</source>
        <translation>Style</translation>
    </message>
    <message>
        <source>线型说明</source>
        <translation>Line styles</translation>
    </message>
    <message>
        <source>线型是指从上一点到该点的连线类型,其中：</source>
        <translation>The line style is how the point is joined to the previous one:</translation>
    </message>
    <message>
        <source> 0 - 无线   </source>
        <translation> 0 - none</translation>
    </message>
    <message>
        <source> 1 - 实绩</source>
        <translation> 1 - solid</translation>
    </message>
    <message>
        <source> 2 - 点线   </source>
        <translation> 2 - dotted</translation>
    </message>
    <message>
        <source> 3 - 虚线</source>
        <translation> 3 - dashed</translation>
    </message>
    <message>
        <source>保 存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>退 出</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>fPicLbl</name>
    <message>
        <source>新 建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>加 入</source>
        <translation>Append</translation>
    </message>
    <message>
        <source>X-值</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y-值</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>标签名称
</source>
        <translation>Label text
</translation>
    </message>
    <message>
        <source>标签位置坐标值</source>
        <translation>Label position</translation>
    </message>
    <message>
        <source>标签属性编辑栏</source>
        <translation>Label editor</translation>
    </message>
    <message>
        <source>标签名称</source>
        <translation>Label text</translation>
    </message>
    <message>
        <source>删 除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>保 存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>退 出</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>fPlot</name>
    <message>
        <source>样品投图</source>
        <translation>Plot samples</translation>
    </message>
    <message>
        <source>打开表格…</source>
        <translation>Open table…</translation>
    </message>
    <message>
        <source>粘贴表格</source>
        <translation>Paste table</translation>
    </message>
    <message>
        <source>还没有样品：从电子表格复制带表头的分析数据，按 Ctrl+V 粘贴，或打开 CSV、XLSX 文件。</source>
        <translation>No samples yet: copy analyses with their header row from a spreadsheet and press Ctrl+V, or open a CSV or XLSX file.</translation>
    </message>
    <message>
        <source>样品号</source>
        <translation>Sample id</translation>
    </message>
    <message>
        <source>分组</source>
        <translation>Group by</translation>
    </message>
    <message>
        <source>加入</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>图版</source>
        <translation>Figure</translation>
    </message>
    <message>
        <source>x 轴</source>
        <translation>x axis</translation>
    </message>
    <message>
        <source>y 轴</source>
        <translation>y axis</translation>
    </message>
    <message>
        <source>左角</source>
        <translation>Left corner</translation>
    </message>
    <message>
        <source>顶角</source>
        <translation>Top corner</translation>
    </message>
    <message>
        <source>右角</source>
        <translation>Right corner</translation>
    </message>
    <message>
        <source>由表达式生成</source>
        <translation>made from the expression</translation>
    </message>
    <message>
        <source>x 轴标题</source>
        <translation>x axis title</translation>
    </message>
    <message>
        <source>y 轴标题</source>
        <translation>y axis title</translation>
    </message>
    <message>
        <source>保存到图库</source>
        <translation>Save to library</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>导出图…</source>
        <translation>Export picture…</translation>
    </message>
    <message>
        <source>导出表…</source>
        <translation>Export table…</translation>
    </message>
    <message>
        <source>图版库打不开。</source>
        <translation>The figure library cannot be opened.</translation>
    </message>
    <message>
        <source>图版 %1 读不出来。</source>
        <translation>Figure %1 cannot be read.</translation>
    </message>
    <message>
        <source>图版 %1 的坐标轴设置读不出来：%2</source>
        <translation>The axis settings of figure %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>第 %1 个字符处：%2</source>
        <translation>At character %1: %2</translation>
    </message>
    <message>
        <source>%1 个样品有值</source>
        <translation>%1 samples with a value</translation>
    </message>
    <message>
        <source>剪贴板里没有表格。</source>
        <translation>The clipboard holds no table.</translation>
    </message>
    <message>
        <source>粘贴的表格</source>
        <translation>Pasted table</translation>
    </message>
    <message>
        <source>打开样品表</source>
        <translation>Open a sample table</translation>
    </message>
    <message>
        <source>样品表 (*.csv *.tsv *.txt *.xlsx);;所有文件 (*)</source>
        <translation>Sample tables (*.csv *.tsv *.txt *.xlsx);;All files (*)</translation>
    </message>
    <message>
        <source>选择工作表</source>
        <translation>Choose a sheet</translation>
    </message>
    <message>
        <source>工作表</source>
        <translation>Sheet</translation>
    </message>
    <message>
        <source>正在读取 %1…</source>
        <translation>Reading %1…</translation>
    </message>
    <message>
        <source>读取已取消，样品表没有改变。</source>
        <translation>Reading was cancelled; the sample table is unchanged.</translation>
    </message>
    <message>
        <source>%1 读不出来：%2</source>
        <translation>%1 cannot be read: %2</translation>
    </message>
    <message>
        <source>%1：%2 个样品，%3 列</source>
        <translation>%1: %2 samples, %3 columns</translation>
    </message>
    <message>
        <source>；不是数字的单元格（当作无值）：%1</source>
        <translation>; cells that are not numbers (no value): %1</translation>
    </message>
    <message>
        <source>（不分组）</source>
        <translation>(no grouping)</translation>
    </message>
    <message>
        <source>正在计算…</source>
        <translation>Computing…</translation>
    </message>
    <message>
        <source>计算已取消；改动表达式或重新打开表格后再算。</source>
        <translation>Computing was cancelled; change an expression or open the table again to compute anew.</translation>
    </message>
    <message>
        <source>%1 个样品有值，%2 个无值，%3 个在图外，%4 个在界线上。</source>
        <translation>%1 samples with a value, %2 without, %3 outside the diagram, %4 on a boundary.</translation>
    </message>
    <message>
        <source>没有选中的图版</source>
        <translation>No figure chosen</translation>
    </message>
    <message>
        <source>图版 %1 的坐标轴设置没有保存，窗口里的表达式都还在。</source>
        <translation>The axis settings of figure %1 were not saved; the expressions in the window are kept.</translation>
    </message>
    <message>
        <source>图版 %1 的坐标轴表达式和标题已保存到图库。</source>
        <translation>The axis expressions and titles of figure %1 were saved to the library.</translation>
    </message>
    <message>
        <source>已导出：%1</source>
        <translation>Exported: %1</translation>
    </message>
    <message>
        <source>导出图</source>
        <translation>Export picture</translation>
    </message>
    <message>
        <source>图片 (*.svg *.pdf *.png)</source>
        <translation>Pictures (*.svg *.pdf *.png)</translation>
    </message>
    <message>
        <source>导出表</source>
        <translation>Export table</translation>
    </message>
    <message>
        <source>Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)</source>
        <translation>Excel workbook (*.xlsx);;CSV file (*.csv)</translation>
    </message>
    <message>
        <source>自定义列，例如 FeOt = FeO + 0.8998 * Fe2O3；多个用分号隔开</source>
        <translation>Columns of your own, such as FeOt = FeO + 0.8998 * Fe2O3; several separated by semicolons</translation>
    </message>
    <message>
        <source>自定义列</source>
        <translation>Own columns</translation>
    </message>
    <message>
        <source>PNG 写明的分辨率；PDF 的页面大小由像素数和它算出</source>
        <translation>The resolution a PNG states; a PDF&apos;s page size follows from it and the pixels</translation>
    </message>
    <message>
        <source>图片大小</source>
        <translation>Picture size</translation>
    </message>
</context>
<context>
    <name>fPreview</name>
    <message>
        <source>生成缩略图</source>
        <translation>Make thumbnail</translation>
    </message>
    <message>
        <source>导出…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>导出大小</source>
        <translation>Export size</translation>
    </message>
    <message>
        <source>目录中没有选中的图版</source>
        <translation>No figure is selected in the catalogue</translation>
    </message>
    <message>
        <source>编辑中</source>
        <translation>being edited</translation>
    </message>
    <message>
        <source>图版库</source>
        <translation>library</translation>
    </message>
    <message>
        <source>图号 %1&#x3000;点 %2 个（%3）&#x3000;标签 %4 个（%5）</source>
        <translation>Figure %1  %2 points (%3)  %4 labels (%5)</translation>
    </message>
    <message>
        <source>读图版库出错：</source>
        <translation>Error reading the library: </translation>
    </message>
    <message>
        <source>X = %1&#x3000;Y = %2</source>
        <translation>X = %1  Y = %2</translation>
    </message>
    <message>
        <source>&#x3000;左 %1%&#x3000;右 %2%&#x3000;上 %3%</source>
        <translation>  left %1%  right %2%  top %3%</translation>
    </message>
    <message>
        <source>（图外）</source>
        <translation> (outside)</translation>
    </message>
    <message>
        <source>这个图版没有缩略图名，不能生成缩略图。</source>
        <translation>This figure has no thumbnail name; no thumbnail can be made.</translation>
    </message>
    <message>
        <source>缩略图文件夹不能使用：%1</source>
        <translation>The thumbnail folder cannot be used: %1</translation>
    </message>
    <message>
        <source>缩略图 %1 已经存在，要替换吗？</source>
        <translation>Thumbnail %1 already exists. Replace it?</translation>
    </message>
    <message>
        <source>缩略图没有写成。</source>
        <translation>The thumbnail was not written.</translation>
    </message>
    <message>
        <source>图版没有导出。</source>
        <translation>The figure was not exported.</translation>
    </message>
    <message>
        <source>导出图版</source>
        <translation>Export figure</translation>
    </message>
    <message>
        <source>SVG 矢量图 (*.svg);;PDF 文档 (*.pdf);;PNG 图片 (*.png)</source>
        <translation>SVG vector image (*.svg);;PDF document (*.pdf);;PNG image (*.png)</translation>
    </message>
    <message>
        <source>载入底图…</source>
        <translation>Load scan…</translation>
    </message>
    <message>
        <source>定标…</source>
        <translation>Calibrate…</translation>
    </message>
    <message>
        <source>去掉底图</source>
        <translation>Remove scan</translation>
    </message>
    <message>
        <source>点</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>标签</source>
        <translation>Labels</translation>
    </message>
    <message>
        <source>线号 </source>
        <translation>Line </translation>
    </message>
    <message>
        <source>下一个点的线号；N 键：线号 +1，开始一条新线</source>
        <translation>Line number of the next point; N key: line number +1, start a new line</translation>
    </message>
    <message>
        <source>新线</source>
        <translation>New line</translation>
    </message>
    <message>
        <source>线号 +1，下一个点开始一条新线（N）</source>
        <translation>Line number +1: the next point starts a new line (N)</translation>
    </message>
    <message>
        <source>全图</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>把整张底图放进窗口（F）</source>
        <translation>Fit the whole scan in the window (F)</translation>
    </message>
    <message>
        <source>曲线</source>
        <translation>Curve</translation>
    </message>
    <message>
        <source>0 无线</source>
        <translation>0 none</translation>
    </message>
    <message>
        <source>1 实线</source>
        <translation>1 solid</translation>
    </message>
    <message>
        <source>2 点线</source>
        <translation>2 dotted</translation>
    </message>
    <message>
        <source>3 虚线</source>
        <translation>3 dashed</translation>
    </message>
    <message>
        <source>定标：在底图上依次点参考点，填上它们的值</source>
        <translation>Calibration: click the reference points on the scan in turn and fill in their values</translation>
    </message>
    <message>
        <source>X 值</source>
        <translation>X value</translation>
    </message>
    <message>
        <source>Y 值</source>
        <translation>Y value</translation>
    </message>
    <message>
        <source>应用定标</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>这个图版记下的底图没有载入：</source>
        <translation>The scan recorded for this figure was not loaded: </translation>
    </message>
    <message>
        <source>定标：在底图上依次点 ▶ 所指的参考点，填好它们的值，再按“应用定标”</source>
        <translation>Calibration: click the reference point marked ▶ on the scan in turn, fill in the values, then press &quot;Apply&quot;</translation>
    </message>
    <message>
        <source>底图还没有定标：按“定标…”</source>
        <translation>The scan is not calibrated: press &quot;Calibrate…&quot;</translation>
    </message>
    <message>
        <source>单击：在那里输入标签，回车放下，Shift+回车换行，Esc 取消</source>
        <translation>Click: type a label there; Enter places it, Shift+Enter starts a new line, Esc cancels</translation>
    </message>
    <message>
        <source>要加标签，先在目录中为这个图版打开“图版标签”窗口</source>
        <translation>To add labels, first open the &quot;Figure Labels&quot; window for this figure from the catalogue</translation>
    </message>
    <message>
        <source>单击：加点（靠近点或图框时落在其上）&#x3000;Shift+单击：不对齐&#x3000;Ctrl+单击：选中点</source>
        <translation>Click: add a point (snaps to nearby points and the frame)  Shift+click: no snapping  Ctrl+click: select a point</translation>
    </message>
    <message>
        <source>要加点，先在目录中为这个图版打开“图版数据”窗口</source>
        <translation>To add points, first open the &quot;Figure Data&quot; window for this figure from the catalogue</translation>
    </message>
    <message>
        <source>载入底图</source>
        <translation>Load scan</translation>
    </message>
    <message>
        <source>底图已经载入，但没能记在设置里，下次打开这个图版时要重新载入。</source>
        <translation>The scan was loaded but could not be kept in the settings; load it again the next time you open this figure.</translation>
    </message>
    <message>
        <source>三角图：依次点左角、右角、上角</source>
        <translation>Triangle: click the left, right and top corner in turn</translation>
    </message>
    <message>
        <source>X 轴上两点 + Y 轴上两点</source>
        <translation>Two points on the X axis + two on the Y axis</translation>
    </message>
    <message>
        <source>三个已知 X 和 Y 的点</source>
        <translation>Three points of known X and Y</translation>
    </message>
    <message>
        <source>X 轴点 1</source>
        <translation>X axis point 1</translation>
    </message>
    <message>
        <source>X 轴点 2</source>
        <translation>X axis point 2</translation>
    </message>
    <message>
        <source>Y 轴点 1</source>
        <translation>Y axis point 1</translation>
    </message>
    <message>
        <source>Y 轴点 2</source>
        <translation>Y axis point 2</translation>
    </message>
    <message>
        <source>左角</source>
        <translation>Left corner</translation>
    </message>
    <message>
        <source>右角</source>
        <translation>Right corner</translation>
    </message>
    <message>
        <source>上角</source>
        <translation>Top corner</translation>
    </message>
    <message>
        <source>点 %1</source>
        <translation>Point %1</translation>
    </message>
    <message>
        <source>（%1, %2）</source>
        <translation>(%1, %2)</translation>
    </message>
    <message>
        <source>（未点）</source>
        <translation>(not clicked)</translation>
    </message>
    <message>
        <source>还没有在底图上点出“%1”。</source>
        <translation>&quot;%1&quot; has not been clicked on the scan yet.</translation>
    </message>
    <message>
        <source>第 %1 个参考点的 %2 值“%3”不是数字。</source>
        <translation>The %2 value &quot;%3&quot; of reference point %1 is not a number.</translation>
    </message>
    <message>
        <source>定标已经生效，但没能记在设置里。</source>
        <translation>The calibration is in effect but could not be kept in the settings.</translation>
    </message>
    <message>
        <source>粘贴了 %1 个点</source>
        <translation>Pasted %1 points</translation>
    </message>
    <message>
        <source>（第 %1 行是栏名，没有当作点）</source>
        <translation> (line %1 holds column names, not taken as a point)</translation>
    </message>
    <message>
        <source>；下一个点在线号 %1 上</source>
        <translation>; the next point goes on line %1</translation>
    </message>
    <message>
        <source>第 %1 个标签“%2”</source>
        <translation>label %1 &quot;%2&quot;</translation>
    </message>
    <message>
        <source>⚠ %1 个标签压线</source>
        <translation>⚠ %1 labels on lines</translation>
    </message>
    <message>
        <source>
压在线、图框或坐标轴上（按现在的大小）。</source>
        <translation>
lie on a line, the frame or an axis (at the present size).</translation>
    </message>
    <message>
        <source>样品投图</source>
        <translation>Plot samples</translation>
    </message>
    <message>
        <source>分区没有名字：%1（点它起名）</source>
        <translation>A field without a name: %1 (click it to name it)</translation>
    </message>
    <message>
        <source>一个分区里有几个标签：%1（点它定名）</source>
        <translation>Several labels in one field: %1 (click it to name it)</translation>
    </message>
    <message>
        <source>第 %1 号线的端点 (%2, %3) 没有接到别的线，两侧的分区连成了一片（点红圈把它延长到边框）</source>
        <translation>Line %1 ends at (%2, %3) without meeting another line, so the fields on either side run together (click the red ring to extend it to the frame)</translation>
    </message>
    <message>
        <source>分区</source>
        <translation>Fields</translation>
    </message>
    <message>
        <source>把图中的界线围成的分区涂上颜色；点一个分区给它起名，点红圈把线的端点延长到边框</source>
        <translation>Colours the fields the figure&apos;s lines enclose; click a field to name it, a red ring to extend a line&apos;s end to the frame</translation>
    </message>
    <message>
        <source>这个图版的分区改正读不出来。</source>
        <translation>The corrections of this figure&apos;s fields cannot be read.</translation>
    </message>
    <message>
        <source>分区的改正没有保存。</source>
        <translation>The correction of the fields was not saved.</translation>
    </message>
    <message>
        <source>分区名</source>
        <translation>Field name</translation>
    </message>
    <message>
        <source>这个分区的名字：</source>
        <translation>The name of this field:</translation>
    </message>
    <message>
        <source>导出图版…</source>
        <translation>Export figure…</translation>
    </message>
    <message>
        <source>Taprell 图版包 (*.json)</source>
        <translation>Taprell bundle (*.json)</translation>
    </message>
    <message>
        <source>R/Python 脚本的图形文件 (*.json)</source>
        <translation>Diagram file for R/Python (*.json)</translation>
    </message>
    <message>
        <source>图版 %1 没有导出（要先保存到图版库）。</source>
        <translation>Figure %1 was not exported (save it to the library first).</translation>
    </message>
    <message>
        <source>文件没有写入：%1</source>
        <translation>The file was not written: %1</translation>
    </message>
</context>
<context>
    <name>mTaprell</name>
    <message>
        <source>设置中没有 Kalvor 的安装路径（%1 / %2 / Path），找不到图版库文件：%3</source>
        <translation>The settings have no Kalvor install path (%1 / %2 / Path); cannot find the figure library file: %3</translation>
    </message>
    <message>
        <source>这个数据库里没有图版表（picMain），不是图版库：%1</source>
        <translation>This database has no figure table (picMain); it is not a figure library: %1</translation>
    </message>
    <message>
        <source>这个文件里没有图版表（picMain），不是图版库：%1</source>
        <translation>This file has no figure table (picMain); it is not a figure library: %1</translation>
    </message>
</context>
</TS>
