create function getaccesstype(@pdata_type varchar(64),@pdata_length int,@pdata_scale int)
returns varchar(8000)
as
begin
  -- Oracle type for one SQL Server column. @pdata_length is syscolumns.prec (L), the
  -- scale is 0 when the column has none. The tests are tried in order; the first that
  -- matches decides.
  declare @oracleType varchar(8000)
  -- Largest precision written for a NUMBER: Oracle's, which is SQL Server's too.
  declare @maxDigits int
  set @maxDigits = 38
  -- L of a (max) column: no bound.
  declare @unbounded int
  set @unbounded = -1

  if @pdata_type in ('varchar', 'char', 'nvarchar', 'nchar', 'sysname')
  begin
    if @pdata_length <> @unbounded and @pdata_length <= 4000
      set @oracleType = 'varchar2(' + convert(varchar(12), @pdata_length) + ')'
    else
      set @oracleType = 'long'
  end
  -- Oracle's date keeps whole seconds: fractions need a timestamp.
  else if @pdata_type in ('datetime2', 'datetimeoffset')
    set @oracleType = 'timestamp(7)'
  else if @pdata_type = 'datetime'
    set @oracleType = 'timestamp(3)'
  else if charindex('datetime', @pdata_type) > 0 or @pdata_type = 'date'
    set @oracleType = 'date'
  else if @pdata_type = 'time'
    -- Oracle has no time of day without a date: kept as its text.
    set @oracleType = 'varchar2(16)'
  else if @pdata_type in ('binary', 'varbinary')
  begin
    -- The bytes travel as hexadecimal text.
    if @pdata_length <> @unbounded
      set @oracleType = 'varchar2(' + convert(varchar(12), 2 * @pdata_length + 3) + ')'
    else
      set @oracleType = 'blob'
  end
  else if charindex('uniqueidentifier', @pdata_type) > 0
    set @oracleType = 'varchar2(64)'
  else if @pdata_type = 'image'
    set @oracleType = 'blob'
  else if charindex('text', @pdata_type) > 0
    -- A long text would not fit varchar2(4000): such rows would be lost.
    set @oracleType = 'clob'
  else if charindex('tinyint', @pdata_type) > 0
    set @oracleType = 'number(3,0)'
  else if charindex('smallint', @pdata_type) > 0
    set @oracleType = 'number(8,0)'
  else if charindex('bigint', @pdata_type) > 0
    set @oracleType = 'integer'
  else if charindex('int', @pdata_type) > 0
    set @oracleType = 'number(' + convert(varchar(12), @pdata_length) + ',0)'
  else if @pdata_type in ('float', 'real')
    -- number(53,0) would drop every fraction.
    set @oracleType = 'float'
  else
    -- decimal, numeric, money, smallmoney, bit and the rest
    set @oracleType = 'number('
      + convert(varchar(12), case when @pdata_length > @maxDigits then @maxDigits
                                  else @pdata_length end)
      + ',' + convert(varchar(12), @pdata_scale) + ')'

  return @oracleType
end
