create function getaccesstype(@pdata_type varchar(64),@pdata_length int,@pdata_scale int)
returns varchar(8000)
as
begin
  -- Access type for one SQL Server column. @pdata_length is syscolumns.prec (L), the
  -- scale is 0 when the column has none. The tests are tried in order; the first that
  -- matches decides.
  declare @accessType varchar(8000)
  -- Largest decimal precision Access holds.
  declare @maxDigits int
  set @maxDigits = 28
  -- L of a (max) column: no bound.
  declare @unbounded int
  set @unbounded = -1

  if @pdata_type in ('varchar', 'char', 'nvarchar', 'nchar', 'sysname')
  begin
    if @pdata_length <> @unbounded and @pdata_length < 255
      set @accessType = 'varchar(' + convert(varchar(12), @pdata_length) + ')'
    else
      set @accessType = 'memo'
  end
  else if charindex('datetime', @pdata_type) > 0 or @pdata_type in ('date', 'time')
    set @accessType = 'date'
  else if @pdata_type in ('binary', 'varbinary')
  begin
    if @pdata_length <> @unbounded
      set @accessType = 'varbinary(' + convert(varchar(12), @pdata_length) + ')'
    else
      set @accessType = 'oleobject'
  end
  else if charindex('uniqueidentifier', @pdata_type) > 0
    set @accessType = 'varchar(32)'
  else if @pdata_type = 'image'
    set @accessType = 'oleobject'
  else if charindex('text', @pdata_type) > 0
    set @accessType = 'memo'
  else if charindex('tinyint', @pdata_type) > 0
    set @accessType = 'integer'
  else if charindex('smallint', @pdata_type) > 0
    set @accessType = 'integer'
  else if charindex('bigint', @pdata_type) > 0
    set @accessType = 'numeric(20,0)'
  else if charindex('int', @pdata_type) > 0
  begin
    if @pdata_length < 6
      set @accessType = 'integer'
    else if @pdata_length between 6 and 9
      set @accessType = 'long'
    else
      set @accessType = 'numeric('
        + convert(varchar(12), case when @pdata_length > @maxDigits then @maxDigits
                                    else @pdata_length end)
        + ',0)'
  end
  else if @pdata_type in ('float', 'real')
    -- A decimal of the binary precision would keep no fraction.
    set @accessType = 'double'
  else
  begin
    -- decimal, numeric, money, smallmoney, bit and the rest. A bare numeric keeps no
    -- fraction, so wide decimals keep their scale at Access's largest precision.
    if @pdata_length < 19
      set @accessType = 'numeric(' + convert(varchar(12), @pdata_length) + ','
        + convert(varchar(12), @pdata_scale) + ')'
    else
      set @accessType = 'numeric('
        + convert(varchar(12), case when @pdata_length > @maxDigits then @maxDigits
                                    else @pdata_length end)
        + ',' + convert(varchar(12), @pdata_scale) + ')'
  end

  return @accessType
end
